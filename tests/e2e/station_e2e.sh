#!/usr/bin/env bash
# Starts the real station under Xvfb, clicks "Start", "Stop" and "Close" at their places on
# the screen and checks the pass file it wrote and the exit status.
set -euo pipefail
station=$1
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cat > "$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
"$1" &
pid=$!
win=$(xdotool search --sync --onlyvisible --name "Orlix / Thickness Measurement")
sleep 0.5
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; }
# Twips of the layout at 15 twips to a pixel: "Start" and "Stop" on the data board.
click 564 168
sleep 1.5
click 564 200
sleep 0.3
click 40 16   # "Close"
wait "$pid"
DRIVE
chmod +x "$work/drive.sh"

status=0
timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$work/drive.sh" "$station" || status=$?
[ "$status" -eq 0 ] || { echo "FAIL: the station exited with status $status"; exit 1; }

file="$work/00.PSS"
[ -f "$file" ] || { echo "FAIL: no pass file 00.PSS"; ls -la "$work"; exit 1; }
fail() { echo "FAIL: $1"; cat -A "$file" | head -40; exit 1; }
head -1 "$file" | grep -q $'^ Orlix / Thickness Measurement & Control / Data\r$' || fail "header line 1"
sed -n 2p "$file" | grep -q '^ Pass No 00 ,    Date ' || fail "header line 2"
sed -n 6p "$file" | grep -qE $'^ [0-9]{6} {9}[-0-9]{4}\\.[0-9] {10}[0-9]{4} {12}[0-9]{4}\r$' || fail "first data line"
grep -q $'^ Average Thickness [0-9]+' "$file" -E || fail "end block"
grep -q $'^ Thickness Distribution:\r$' "$file" || fail "distribution heading"
data=$(grep -cE $'^ [0-9]{6} ' "$file")
[ "$data" -ge 5 ] || fail "only $data data lines"
echo "PASS: $data data lines, end block and histogram written"
