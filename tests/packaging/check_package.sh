#!/usr/bin/env bash
# Builds the Debian package from the build tree, checks what it installs, and starts the
# unpacked launcher as a user would: the program must run in a new per-user data folder.
set -euo pipefail
build=$1
cpack=$2
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is not installed"; exit 77; }
out=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$out"
}
trap cleanup EXIT
(cd "$build" && "$cpack" -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/*.deb)
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/thickness-station ./usr/libexec/thickness-station/thickness-station \
            ./usr/share/applications/thickness-station.desktop \
            ./usr/share/icons/hicolor/scalable/apps/thickness-station.svg; do
  grep -q " $path\$" <<<"$contents" || { echo "FAIL: $path is missing"; echo "$contents"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q qt6-qpa-plugins || { echo "FAIL: dependencies"; exit 1; }
dpkg-deb -x "$deb" "$out/root"
exec_line=$(grep '^Exec=' "$out/root/usr/share/applications/thickness-station.desktop")
[ "$exec_line" = "Exec=thickness-station" ] || { echo "FAIL: desktop entry: $exec_line"; exit 1; }

# Start it the way the desktop entry does: the launcher by its name on the PATH, in a
# fresh home, with nothing set but what a desktop session sets.
home="$out/home"
mkdir -p "$home"
env -i HOME="$home" PATH="$out/root/usr/bin:/usr/bin:/bin" QT_QPA_PLATFORM=offscreen \
  ${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${LSAN_OPTIONS:+LSAN_OPTIONS=$LSAN_OPTIONS} \
  thickness-station >"$out/log" 2>&1 &
pid=$!
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid" || true
  pid=
  echo "FAIL: the installed program did not keep running"
  cat "$out/log"
  exit 1
fi
case $(readlink "/proc/$pid/exe") in
  "$out"/root/usr/libexec/thickness-station/thickness-station) ;;
  *) echo "FAIL: the launcher runs $(readlink "/proc/$pid/exe")"; exit 1 ;;
esac
[ -d "$home/.local/share/thickness-station" ] || { echo "FAIL: no data folder"; exit 1; }
echo "PASS: $(basename "$deb") starts from its launcher"
