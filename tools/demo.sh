#!/usr/bin/env bash
# Builds the project, starts the picture server simulator with its demo plant and starts the client
# connected to it.
#   With a display ($DISPLAY or $WAYLAND_DISPLAY set) the operator logs in by hand.
#   Without one, a scripted tour logs in, shows picture 1, writes a value, follows a picture link and
#   saves a screenshot after each step.
# Usage: tools/demo.sh [screenshot-dir]      (default: demo-screenshots/)
# The build directory is build/ unless PELORIN_BUILD_DIR says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${PELORIN_BUILD_DIR:-build}"
shots="$(realpath -m "${1:-demo-screenshots}")"

tools/setup.sh "$build"

work="$(mktemp -d)"
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Free ports are picked by the simulator; it prints them with the demo users.
"$build/sim/pelorin-sim" --port 0 --terminal-port 0 --data "$work/data" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
for _ in $(seq 100); do
    grep -q "picture link port:" "$work/sim.out" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.err" >&2; exit 1; }
    sleep 0.1
done
port="$(sed -n 's/.*picture link port: *\([0-9]*\).*/\1/p' "$work/sim.out")"
[ -n "$port" ] || { echo "demo: the simulator did not report its port" >&2; exit 1; }

cat "$work/sim.out"
echo
client=("$build/src/pelorin" --param "ServerAddress=127.0.0.1:$port" --settings-dir "$work/settings")
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Log in with visa DEMO and password demo (other users above). Close the window to stop."
    "${client[@]}"
else
    echo "No display: running the scripted tour; screenshots go to $shots"
    QT_QPA_PLATFORM=offscreen "${client[@]}" --tour "$shots"
fi
