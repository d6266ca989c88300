#!/usr/bin/env bash
# The real station under Xvfb: "Start", "Stop" and "Close" clicked at their places on the
# screen; its exit status, the data lines its timer wrote, the pass's end and report are
# checked. Then a second pass, its set-point raised by two quick clicks, is ended by a
# SIGKILL: the next start of the program records it as not stopped and reports it.
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
if [ "$2" = kill ]; then  # two quick clicks on the set-point's x1 digit, Start, SIGKILL
  sleep 0.5; xdotool mousemove --window "$win" 428 204 click --repeat 2 --delay 60 1
  click 0.3 564 168; sleep 1; kill -9 "$pid"; wait "$pid" || true; pid=; exit 0
fi
[ "$2" = recover ] && for _ in $(seq 100); do [ "$(ls reports/*.pdf | wc -l)" -ge 2 ] && break; sleep 0.1; done
[ "$2" = recover ] || { click 0.5 564 168; click 1.5 564 200; }
click 0.3 40 16
status=0 && wait "$pid" || status=$?
pid= && exit $status
DRIVE
drive() {
  timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" bash -e drive.sh "$1" "$2" ||
    { echo "FAIL: the station or its driving ($2) ended with status $?"; exit 1; }
}
drive "$1" pass
fail() { echo "FAIL: $1"; cat -A 00.PSS | head -40; exit 1; }
data=$(grep -cE $'^ [0-9]{6} {9}[-0-9]{4}\\.[0-9] {10}[0-9]{4} {12}[0-9]{4}\r$' 00.PSS || true)
[ "$data" -ge 5 ] || fail "only $data data lines"
grep -q '^end=' 00.PSI || fail "information file without its end"
ls reports/00-*.pdf reports/00-*.csv >/dev/null || fail "no report"
echo "PASS: $data data lines written, information file ended and report made"
drive "$1" kill
grep -q '^end=' 00.PSI && fail "the killed pass has an end before the next start"
tr -d "\r" <00.PSI | grep -q "^set_point_um=122$" || fail "two quick clicks did not give two steps: $(grep set_point 00.PSI)"
drive "$1" recover
grep -q '^end_reason=not stopped' 00.PSI || fail "the killed pass is not recorded as not stopped"
[ "$(ls reports/00-*.pdf | wc -l)" -eq 2 ] || fail "the killed pass has no report"
echo "PASS: the killed pass was recorded as not stopped and reported at the next start"
