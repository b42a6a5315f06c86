#!/usr/bin/env bash
# Checks the Debian package on a clean Debian bookworm: builds it, bootstraps a minimal root,
# installs the package there with apt-get (its dependencies come from the mirror), then runs the
# installed programs only: --help, the simulator with the installed demo plant, the client's
# headless tour against it and a render of a demo picture. Needs root and the network.
# Usage: tools/check-deb.sh ROOT [apt-get install option...]   (ROOT: a new or empty folder)
# The mirror is $MIRROR (default http://deb.debian.org/debian); the build directory is build/
# unless PELORIN_BUILD_DIR says otherwise. The screenshots stay in ROOT/tmp/check.
# shellcheck disable=SC2016  # dpkg-query formats are ${Field}, not shell expansions
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -ge 1 ] || { sed -n 's/^# Usage: /Usage: /p' "$0" >&2; exit 2; }
root="$(realpath -m "$1")"
shift
apt_options=("$@")
[ "$(id -u)" -eq 0 ] || { echo "check-deb: debootstrap and chroot need root" >&2; exit 1; }
[ -z "$(ls -A "$root" 2>/dev/null)" ] || { echo "check-deb: $root is not empty" >&2; exit 1; }
build="${PELORIN_BUILD_DIR:-build}"

tools/setup.sh "$build"
rm -f "$build"/pelorin_*.deb
(cd "$build" && cpack >/dev/null)
debs=("$build"/pelorin_*.deb)
deb="$(basename "${debs[0]}")"

command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap
debootstrap --variant=minbase bookworm "$root" "${MIRROR:-http://deb.debian.org/debian}" >/dev/null
trap 'umount "$root/dev/pts" "$root/proc" || true' EXIT
mount -t proc proc "$root/proc"
mount -t devpts devpts "$root/dev/pts"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
installed() { in_root dpkg-query -W -f='${Package}\n' | sort; }

before="$(installed)"
cp "${debs[0]}" "$root/tmp/"
in_root apt-get update -qq
in_root apt-get install -y -qq "${apt_options[@]}" "/tmp/$deb" >/dev/null
mapfile -t pulled < <(comm -13 <(echo "$before") <(installed))
kib="$(in_root dpkg-query -W -f='${Installed-Size}\n' "${pulled[@]}" | awk '{ s += $1 } END { print s }')"
echo "installed $deb: ${#pulled[@]} packages, $((kib / 1024)) MiB with its dependencies," \
     "$(in_root dpkg-query -W -f='${Installed-Size}' pelorin) KiB itself"
echo "${pulled[*]}" | fold -s -w 100

cat >"$root/tmp/check.sh" <<'EOF'
set -eu
out=/tmp/check demo=/usr/share/pelorin/demo
export QT_QPA_PLATFORM=offscreen HOME=$out XDG_RUNTIME_DIR=$out/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
pelorin --help | grep -q -- --tour
pelorin-sim --help | grep -q -- --plant
pelorin-sim --port 0 --terminal-port 0 --plant $demo --users $demo/users.json --data $out/data \
    >$out/sim.out 2>$out/sim.err &
sim=$!
trap 'kill $sim' EXIT
for _ in $(seq 100); do grep -q "picture link port:" $out/sim.out && break; sleep 0.1; done
port="$(sed -n 's/.*picture link port: *\([0-9]*\).*/\1/p' $out/sim.out)"
[ -n "$port" ] || { cat $out/sim.err; exit 1; }
pelorin --param ServerAddress=127.0.0.1:"$port" --settings-dir $out/settings --tour $out/shots
pelorin --render $demo/pictures/1-oversikt.json --out $out/render.png
EOF
in_root sh /tmp/check.sh
echo "check-deb: the demo ran from the installed files; screenshots in $root/tmp/check/shots," \
     "the render in $root/tmp/check/render.png"
