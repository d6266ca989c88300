#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks what it installs.
set -euo pipefail
build=$1
cpack=$2
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is not installed"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && "$cpack" -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/*.deb)
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/thickness-station ./usr/libexec/thickness-station/thickness-station \
            ./usr/share/applications/thickness-station.desktop \
            ./usr/share/icons/hicolor/scalable/apps/thickness-station.svg; do
  grep -q " $path\$" <<<"$contents" || { echo "FAIL: $path is missing"; echo "$contents"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q qt6-qpa-plugins || { echo "FAIL: dependencies"; exit 1; }
# The launcher starts the program in the user's data folder.
dpkg-deb -x "$deb" "$out/root"
grep -q 'cd "$data"' "$out/root/usr/bin/thickness-station" || { echo "FAIL: launcher"; exit 1; }
grep -q '^Exec=thickness-station$' "$out/root/usr/share/applications/thickness-station.desktop" \
  || { echo "FAIL: desktop entry"; exit 1; }
echo "PASS: $(basename "$deb")"
