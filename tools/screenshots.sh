#!/usr/bin/env bash
# Refreshes the screenshots in docs/screenshots: the main window during a pass and each
# secondary window, taken from the real program under Xvfb. Run after tools/setup.sh run
# has built the program (or give the program's path as the first argument).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
station=${1:-$root/build/app/thickness-station}
out=$root/docs/screenshots
for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (packages xvfb, xdotool, imagemagick)"; exit 1; }
done
[ -x "$station" ] || { echo "build the station first: tools/setup.sh run"; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
station=$1 out=$2
cd "$(dirname "$0")"
# The plant link on, so the main window shows its state.
# A port the system says is free, so a station already running here is not in the way.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf '[modbus]\nenabled=true\nport=%s\n' "$port" > station.ini
# A calibration of four points, so the calibration window shows a fit.
printf ' 4 \r\n100,1050\r\n150,1620\r\n200,2210\r\n250,2790\r\n' > QL_SET.DAT
"$station" &
pid=$!
main=$(xdotool search --sync --onlyvisible --name "Orlix / Thickness Measurement")
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
shot() { sleep "${3:-0.6}"; import -window "$1" "$out/$2.png"; }
click "$main" 564 168          # Start
sleep 4
shot "$main" main-window 0
click "$main" 564 200          # Stop
click "$main" 552 52           # Settings
win=$(xdotool search --sync --onlyvisible --name "Orlix / Settings")
shot "$win" settings-window
xdotool windowunmap "$win"
click "$main" 552 84           # Fitting
win=$(xdotool search --sync --onlyvisible --name "Orlix / Fitting")
shot "$win" calibration-window
xdotool windowunmap "$win"
click "$main" 552 116          # Files
win=$(xdotool search --sync --onlyvisible --name "Orlix / Pass Files")
sleep 0.5
click "$win" 40 38             # the first pass file
shot "$win" pass-files-window
click "$win" 186 42            # "Profile"
xdotool mousemove --window "$win" 500 250
shot "$win" pass-profile
kill "$pid"
DRIVE
chmod +x "$work/drive.sh"
xvfb-run -a -s "-screen 0 1280x800x24" "$work/drive.sh" "$station" "$out"
ls -1 "$out"
