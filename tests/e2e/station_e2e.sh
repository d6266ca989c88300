#!/usr/bin/env bash
# The real station under Xvfb: "Start", "Stop" and "Close" clicked at their places on the
# screen; the pass file it wrote and its exit status are checked.
set -euo pipefail
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work"
# Places in pixels, at 15 twips to a pixel: "Start" and "Stop" on the data board, "Close".
# A step that fails after the start kills the station; its own exit status is the script's.
cat >drive.sh <<'DRIVE'
"$1" & pid=$!
trap '[ -z "$pid" ] || kill -9 "$pid" 2>/dev/null' EXIT
win=$(timeout 30 xdotool search --sync --onlyvisible --name "Orlix / Thickness Measurement")
click() { sleep "$1"; xdotool mousemove --window "$win" "$2" "$3" click 1; }
click 0.5 564 168; click 1.5 564 200; click 0.3 40 16
status=0 && wait "$pid" || status=$?
pid= && exit $status
DRIVE
timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" bash -e drive.sh "$1" ||
  { echo "FAIL: the station or its driving ended with status $?"; exit 1; }
fail() { echo "FAIL: $1"; cat -A 00.PSS | head -40; exit 1; }
sed -n 2p 00.PSS | grep -q '^ Pass No 00 ,    Date ' || fail "header"
data=$(grep -cE $'^ [0-9]{6} {9}[-0-9]{4}\\.[0-9] {10}[0-9]{4} {12}[0-9]{4}\r$' 00.PSS || true)
[ "$data" -ge 5 ] || fail "only $data data lines"
grep -q $'^ Thickness Distribution:\r$' 00.PSS || fail "end block"
grep -q '^end=' 00.PSI || fail "information file without its end"
ls reports/00-*.pdf reports/00-*.csv >/dev/null || fail "no report"
echo "PASS: $data data lines, end block and histogram written, information file and report"
