"""The screen reader's side of tools/a11y-check.sh: finds the running client over AT-SPI, logs in,
shows picture 1, prints the tree, counts the interactive objects without a name, and follows a picture
link with Tab and Enter. Exit status 0 when nothing lacks a name and the link was followed."""

import re
import subprocess
import sys
import time

import pyatspi

INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_LINK, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_SLIDER,
}


def wait_for(condition, seconds=20.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.2)
    return None


def client_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and (app.name or "").lower() == "pelorin":
            return app
    return None


def walk(accessible, depth=0):
    yield accessible, depth
    for i in range(accessible.childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def find(root, role, name):
    for accessible, _ in walk(root):
        if accessible.getRole() == role and accessible.name == name:
            return accessible
    return None


def find_named(root, name):
    for accessible, _ in walk(root):
        if accessible.name == name:
            return accessible
    return None


def value_of(accessible):
    try:
        text = accessible.queryText()
        return text.getText(0, -1)
    except NotImplementedError:
        return ""


def press(accessible):
    action = accessible.queryAction()
    action.doAction(0)


def type_into(root, name, text):
    box = find_named(root, name)
    if box is None:
        sys.exit(f"a11y-check: no box named {name!r}")
    box.queryEditableText().setTextContents(text)


def describe(accessible):
    role = accessible.getRoleName()
    line = f"{role} \"{accessible.name}\""
    if accessible.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_STATIC,
                                pyatspi.ROLE_LABEL, pyatspi.ROLE_LINK) and accessible.getRole() != pyatspi.ROLE_PASSWORD_TEXT:
        value = value_of(accessible)
        if value:
            line += f" = {value[:60]!r}"
    try:
        extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        line += f" @({extents.x},{extents.y} {extents.width}x{extents.height})"
    except NotImplementedError:
        pass
    if accessible.getState().contains(pyatspi.STATE_FOCUSED):
        line += " [fokus]"
    return line


def picture_items(picture):
    return [picture.getChildAtIndex(i) for i in range(picture.childCount)]


def focused_item(picture):
    for item in picture_items(picture):
        if item.getState().contains(pyatspi.STATE_FOCUSED):
            return item
    return None


def key(name):
    subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)


def main():
    app = wait_for(client_app)
    if app is None:
        sys.exit("a11y-check: the client did not appear on the accessibility bus")
    if wait_for(lambda: find_named(app, "Användarvisum")) is None:
        sys.exit("a11y-check: no login box")
    type_into(app, "Användarvisum", "DEMO")
    type_into(app, "Lösenord", "demo")
    # The settings panel has an "Ok" too: the login frame's is meant.
    press(find(find_named(app, "Logga in:"), pyatspi.ROLE_PUSH_BUTTON, "Ok"))

    picture = wait_for(lambda: find_named(app, "Processbild"))
    if picture is None:
        sys.exit("a11y-check: no picture")
    # The picture is asked for as the operator would: number 1, "Hämta bild"; again until the server's
    # picture table, which comes after the login, lets the request through.
    get_picture = find(app, pyatspi.ROLE_PUSH_BUTTON, "Hämta bild")
    type_into(app, "Bildnummer", "1")
    for _ in range(10):
        press(get_picture)
        if wait_for(lambda: picture.childCount > 0, 2):
            break
    if picture.childCount == 0:
        for accessible, depth in walk(app):
            print("  " * depth + describe(accessible))
        sys.exit("a11y-check: picture 1 shows no values or links")
    # Values come in after the picture; wait until the indicator says all are there.
    wait_for(lambda: value_of(find_named(app, "Uppdaterat")).startswith("100"), 10)

    unnamed = []
    interactive = 0
    print("Accessibility tree of the client with picture 1:")
    for accessible, depth in walk(app):
        print("  " * depth + describe(accessible))
        if accessible.getRole() in INTERACTIVE:
            interactive += 1
            if not (accessible.name or "").strip():
                unnamed.append(describe(accessible))
    values = sum(1 for item in picture_items(picture) if item.getRole() != pyatspi.ROLE_LINK)
    links = sum(1 for item in picture_items(picture) if item.getRole() == pyatspi.ROLE_LINK)
    print()
    print(f"Picture 1: {values} values and {links} links")
    print(f"Interactive objects: {interactive}")
    print(f"Interactive objects without a name: {len(unnamed)}")
    for line in unnamed:
        print(f"  {line}")

    # The keyboard: focus the picture, Tab to the first link, Enter.
    picture.queryComponent().grabFocus()
    subprocess.run(["xdotool", "search", "--sync", "--name", "^Pelorin$", "windowfocus"], check=False,
                   stdout=subprocess.DEVNULL)
    link = None
    for _ in range(picture.childCount + 1):
        key("Tab")
        item = wait_for(lambda: focused_item(picture), 3)
        if item is not None and item.getRole() == pyatspi.ROLE_LINK:
            link = item
            break
    followed = False
    if link is None:
        print("Tab reached no picture link")
    else:
        target = int(re.search(r"(\d+)$", link.name).group(1))
        print(f"Tab reached {link.name!r}; Enter")
        key("Return")
        followed = wait_for(lambda: value_of(find_named(app, "Bildnummer")).strip() == str(target), 10)
        shown = value_of(find_named(app, "Bildnummer")).strip()
        print(f"Picture shown after Enter: {shown} ({'the linked one' if followed else 'NOT the linked one'})")
    return 0 if not unnamed and followed else 1


if __name__ == "__main__":
    sys.exit(main())
