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
for dependency in libqt6widgets6 libqt6network6 libqt6printsupport6 fonts-liberation; do
    dpkg-deb -f "$deb" Depends | grep -qw "$dependency" || { echo "no dependency on $dependency"; exit 1; }
done

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

# Render check of the installed client: add it here once pelorin has a headless render option.
