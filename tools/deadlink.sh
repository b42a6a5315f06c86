#!/bin/sh
# Does the client notice a server whose host has gone? In a network namespace of its own, starts the
# simulator and the client under Xvfb, logs in as DEMO and shows picture 1 with the keyboard and
# mouse as a user would, then drops every packet of the picture link both ways and prints how long
# the client's connection lives on. Needs root (the namespace), Xvfb, xdotool and nftables.
#
#   sudo tools/deadlink.sh [BUILD]
set -eu

build=$(cd "${1:-build}" && pwd)
if [ "${DEADLINK_INSIDE:-}" != 1 ]; then
    exec env DEADLINK_INSIDE=1 unshare --net "$0" "$build"
fi

work=$(mktemp -d)
pids=""
trap 'kill $pids 2>/dev/null; rm -rf "$work"' EXIT
ip link set lo up

"$build/sim/pelorin-sim" --port 2001 --terminal-port 2002 --data "$work" 2>"$work/sim.log" &
pids="$pids $!"
Xvfb :77 -screen 0 1280x1024x24 2>/dev/null &
pids="$pids $!"
sleep 1
DISPLAY=:77 QT_QPA_PLATFORM=xcb "$build/src/pelorin" --param ServerAddress=127.0.0.1:2001 \
    --settings-dir "$work" --trace 2>"$work/client.log" &
pids="$pids $!"
window=$(DISPLAY=:77 xdotool search --sync --onlyvisible --class pelorin | head -n 1)

# The login frame has the focus on the visa box; Enter moves on, Space presses the button.
DISPLAY=:77 xdotool windowfocus --sync "$window" type --delay 50 DEMO
DISPLAY=:77 xdotool key Return type --delay 50 demo
DISPLAY=:77 xdotool key Return key space
sleep 2
# The home button is the first of the toolbar.
DISPLAY=:77 xdotool mousemove --window "$window" 14 14 click 1
sleep 3
grep -q "<- MSG_PICTURE" "$work/client.log" || { echo "deadlink: no picture shown" >&2; exit 1; }

client() { ss -tnH state established "( dport = :2001 )" | wc -l; }
echo "picture shown; client connections: $(client); dropping every packet of the link now"
nft add table inet deadlink
nft "add chain inet deadlink in { type filter hook input priority 0; }"
nft add rule inet deadlink in tcp dport 2001 drop
nft add rule inet deadlink in tcp sport 2001 drop
start=$(date +%s)
while [ "$(client)" -gt 0 ]; do
    if [ $(($(date +%s) - start)) -gt 120 ]; then
        echo "deadlink: the connection still lives after 120 s" >&2
        exit 1
    fi
    sleep 1
done
echo "the client ended its connection $(($(date +%s) - start)) s after the link went silent"
