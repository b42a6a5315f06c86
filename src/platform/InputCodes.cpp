#include "platform/InputCodes.h"

#include <QKeyEvent>

namespace pelorin {

namespace {

constexpr int ctrlCodeBase = 0x40; // Ctrl+A is 'A' - 0x40

int ControlCode(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Underscore)
        return key - ctrlCodeBase;
    return 0;
}

int FixedCode(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kKeyEnter;
    case Qt::Key_Escape:
        return kKeyEscape;
    case Qt::Key_Backspace:
        return kKeyBackspace;
    case Qt::Key_Tab:
        return 9;
    default:
        return 0;
    }
}

int LetterCode(int key, bool shift) {
    return (shift ? 'A' : 'a') + (key - Qt::Key_A);
}

int TextCode(const QString& text) {
    if (text.size() != 1)
        return 0;
    const char16_t c = text.front().unicode();
    return (c >= 32 && c < 127) || (c >= 160 && c < 256) ? c : 0;
}

} // namespace

int KeyAscii(const QKeyEvent& event) {
    const int key = event.key();
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (const int fixed = FixedCode(key))
        return fixed;
    if (modifiers.testFlag(Qt::ControlModifier))
        return ControlCode(key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const int fromText = TextCode(event.text());
        const bool shift = modifiers.testFlag(Qt::ShiftModifier);
        return fromText && !shift ? fromText : LetterCode(key, shift);
    }
    return TextCode(event.text());
}

int ShiftState(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? kShift : 0) +
           (modifiers.testFlag(Qt::ControlModifier) ? kCtrl : 0) +
           (modifiers.testFlag(Qt::AltModifier) ? kAlt : 0);
}

int ButtonState(Qt::MouseButtons buttons) {
    return (buttons.testFlag(Qt::LeftButton) ? 1 : 0) + (buttons.testFlag(Qt::RightButton) ? 2 : 0) +
           (buttons.testFlag(Qt::MiddleButton) ? 4 : 0);
}

} // namespace pelorin
