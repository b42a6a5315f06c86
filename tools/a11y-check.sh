#!/usr/bin/env bash
# What a screen reader finds in the client, checked as a new user would meet it: starts the simulator
# and the client under Xvfb with the accessibility bridge (AT-SPI) on, logs in as DEMO through the login
# boxes, shows picture 1, prints the accessibility tree and counts the interactive objects without a
# name. Then Tab in the picture moves to a picture link and Enter must show the linked picture.
# Exit status: 0 when every interactive object has a name and the link was followed; 1 otherwise;
# 2 when something it needs is missing.
# Usage: tools/a11y-check.sh        (the build directory is build/ unless PELORIN_BUILD_DIR says otherwise)
set -euo pipefail
cd "$(dirname "$0")/.."

build="${PELORIN_BUILD_DIR:-build}"

packages=(xvfb xdotool dbus at-spi2-core python3-pyatspi)
tools/install-missing.sh "${packages[@]}" || { echo "a11y-check: missing packages: ${packages[*]}" >&2; exit 2; }
for program in "$build/src/pelorin" "$build/sim/pelorin-sim"; do
    [ -x "$program" ] || { echo "a11y-check: $program is missing; build first (tools/setup.sh)" >&2; exit 2; }
done

work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

"$build/sim/pelorin-sim" --port 0 --terminal-port 0 --data "$work/data" >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 100); do
    grep -q "picture link port:" "$work/sim.out" 2>/dev/null && break
    sleep 0.1
done
port="$(sed -n 's/.*picture link port: *\([0-9]*\).*/\1/p' "$work/sim.out")"
[ -n "$port" ] || { cat "$work/sim.err" >&2; echo "a11y-check: the simulator did not start" >&2; exit 2; }

# Xvfb picks a free display and writes its number.
Xvfb -displayfd 3 -screen 0 1400x1000x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "a11y-check: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$(head -1 "$work/display")"

# A session bus of its own starts the accessibility bus on demand.
export PELORIN_CLIENT="$build/src/pelorin" PELORIN_PORT="$port" PELORIN_SETTINGS="$work/settings"
dbus-run-session -- bash -c '
    set -euo pipefail
    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
        "$PELORIN_CLIENT" --param "ServerAddress=127.0.0.1:$PELORIN_PORT" --settings-dir "$PELORIN_SETTINGS" &
    client=$!
    trap "kill $client 2>/dev/null || true; wait $client 2>/dev/null || true" EXIT
    /usr/bin/python3 "'"$PWD"'/tools/a11y-check.py"
'
