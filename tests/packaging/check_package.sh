#!/usr/bin/env bash
# Builds the Debian package, unpacks it and starts its launcher by name as the desktop entry
# does: the program found next to the launcher must keep running in a new per-user data folder.
set -euo pipefail
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is not installed"; exit 77; }
out=$(mktemp -d) pid=
trap 'if [ -n "$pid" ]; then kill "$pid"; wait "$pid" || true; fi 2>/dev/null; rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
(cd "$1" && "$2" -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/*.deb) root=$out/root/usr
depends=$(dpkg-deb -f "$deb" Depends)
grep -q qt6-qpa-plugins <<<"$depends" || fail "dependencies"
dpkg-deb -x "$deb" "$out/root"
# Every Qt library the program links is a dependency: libQt6Network.so.6 -> libqt6network6.
# (Read whole first: `grep -q` on a pipe would stop objdump early, and pipefail would count
# its broken pipe as a failure.)
needed=$(objdump -p "$root/libexec/thickness-station/thickness-station" | awk '/NEEDED/ {print $2}')
for lib in $(grep '^libQt6' <<<"$needed"); do
  name=$(sed -E 's/^libQt6(.*)\.so\.6$/libqt6\L\16/' <<<"$lib")
  grep -qE "(^|, )$name " <<<"$depends" || fail "$lib is not covered by a dependency ($name)"
done
# And the MQTT client library: libmosquitto.so.1 -> libmosquitto1.
grep -qx 'libmosquitto\.so\.1' <<<"$needed" || fail "the program does not link libmosquitto"
grep -qE "(^|, )libmosquitto1 " <<<"$depends" || fail "libmosquitto.so.1 is not covered by a dependency"
# And OpenSSL's libcrypto, for the audit trail's hashes: libcrypto.so.3 -> libssl3.
grep -qx 'libcrypto\.so\.3' <<<"$needed" || fail "the program does not link libcrypto"
grep -qE "(^|, )libssl3 " <<<"$depends" || fail "libcrypto.so.3 is not covered by a dependency"
[ -f "$root/share/icons/hicolor/scalable/apps/thickness-station.svg" ] || fail "no icon"
grep -qx 'Exec=thickness-station' "$root/share/applications/thickness-station.desktop" ||
  fail "desktop entry"
# In a fresh home, with only what a session sets.
mkdir "$out/home"
env -i HOME="$out/home" PATH="$root/bin:/usr/bin:/bin" QT_QPA_PLATFORM=offscreen \
  ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${LSAN_OPTIONS:+LSAN_OPTIONS=$LSAN_OPTIONS} \
  thickness-station >"$out/log" 2>&1 &
pid=$!
sleep 2  # then it must still run
kill -0 "$pid" 2>/dev/null || { pid=; cat "$out/log"; fail "the installed program stopped"; }
[ "$(readlink "/proc/$pid/exe")" = "$root/libexec/thickness-station/thickness-station" ] ||
  fail "the launcher runs $(readlink "/proc/$pid/exe")"
[ "$(readlink "/proc/$pid/cwd")" = "$out/home/.local/share/thickness-station" ] ||
  fail "it runs in $(readlink "/proc/$pid/cwd")"
echo "PASS: $(basename "$deb") starts from its launcher"
