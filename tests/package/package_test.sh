#!/usr/bin/env bash
# Builds the Debian package, unpacks it and runs the installed programs from the unpacked tree, so
# that they find nothing of the build folder.
# Usage: package_test.sh <build-dir>        exit 77 (skipped) without cpack or dpkg-deb
set -euo pipefail

build="$(realpath "$1")"
for tool in cpack dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
debs=("$work"/out/pelorin_*.deb)
deb="${debs[0]}"
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
for dependency in libqt6widgets6 libqt6network6 libqt6printsupport6 fonts-liberation qt6-translations-l10n; do
    dpkg-deb -f "$deb" Depends | grep -qw "$dependency" || { echo "no dependency on $dependency"; exit 1; }
done
# A CMake list separator must not end up in the long description.
! dpkg-deb -f "$deb" Description | grep -q ' ;' || { echo "a stray ';' in the Description"; exit 1; }

dpkg-deb -x "$deb" "$work/root"
usr="$work/root/usr"
for file in bin/pelorin bin/pelorin-sim share/applications/pelorin.desktop \
            share/icons/hicolor/scalable/apps/pelorin.svg share/man/man1/pelorin.1.gz \
            share/man/man1/pelorin-sim.1.gz share/pelorin/demo/plant.json share/pelorin/demo/users.json; do
    [ -f "$usr/$file" ] || { echo "missing from the package: /usr/$file"; exit 1; }
done
if command -v groff >/dev/null; then
    for page in "$usr"/share/man/man1/*.1.gz; do
        warnings="$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)"
        [ -z "$warnings" ] || { echo "$(basename "$page"): $warnings"; exit 1; }
    done
fi

unset LD_LIBRARY_PATH
export QT_QPA_PLATFORM=offscreen HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
"$usr/bin/pelorin" --help | grep -q -- "--param"
"$usr/bin/pelorin-sim" --help | grep -q -- "--check"
# The installed copy of the demo plant must be one the simulator accepts.
"$usr/bin/pelorin-sim" --check --plant "$usr/share/pelorin/demo" \
    --users "$usr/share/pelorin/demo/users.json" --data "$work/data"

# The installed client renders a picture of the installed demo plant headless, with values from a
# file: a PNG of the asked size, the same bytes as the build tree's client draws, and a PDF.
picture="$usr/share/pelorin/demo/pictures/1-oversikt.json"
printf '0=12.34\n1=-5.5\n' >"$work/values.txt"
"$usr/bin/pelorin" --render "$picture" --values "$work/values.txt" --size 640x480 --out "$work/render.png"
size="$(od -An -tu4 --endian=big -j16 -N8 "$work/render.png" | xargs)"
[ "$size" = "640 480" ] || { echo "render: a 640x480 PNG expected, got ${size:-none}"; exit 1; }
"$build/src/pelorin" --render "$picture" --values "$work/values.txt" --size 640x480 --out "$work/build-render.png"
cmp -s "$work/render.png" "$work/build-render.png" ||
    { echo "render: the installed client draws otherwise than the build tree's"; exit 1; }
"$usr/bin/pelorin" --render "$picture" --out "$work/render.pdf"
[ "$(head -c 5 "$work/render.pdf")" = "%PDF-" ] || { echo "render: no PDF written"; exit 1; }
echo "rendered $(basename "$picture"): PNG $(stat -c %s "$work/render.png") bytes, PDF $(stat -c %s "$work/render.pdf") bytes"
