#!/usr/bin/env bash
# Refreshes the screenshots in docs/screenshots: the main window during a pass and each
# secondary window (the audit trail's too), taken from the real program under Xvfb, and the
# first page of a summary's PDF. Run after tools/setup.sh run
# has built the program (or give the program's path as the first argument).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
station=${1:-$root/build/app/thickness-station}
out=$root/docs/screenshots
for tool in xvfb-run xdotool import pdftoppm; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (packages xvfb, xdotool, imagemagick, poppler-utils)"; exit 1; }
done
[ -x "$station" ] || { echo "build the station first: tools/setup.sh run"; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A week of passes for the summary, two a day, the older ones of a number archived as
# "Start" archives them, two old ones without information file.
cat > "$work/passes.py" <<'PASSES'
import datetime, math, os, random
os.makedirs("archive", exist_ok=True)
random.seed(7)
today = datetime.date.today()
rule = " =========================================\r\n"
starts = [datetime.datetime.combine(today - datetime.timedelta(days=6 - k // 2),
                                    datetime.time(6 if k % 2 == 0 else 14, 3 * k, 11)) for k in range(14)]
latest = {k % 4 + 1: start for k, start in enumerate(starts)}
for k, start in enumerate(starts):
    number, end = k % 4 + 1, start + datetime.timedelta(hours=6, minutes=40)
    name = f"{number:02d}" if latest[number] == start else f"archive/{number:02d}-{start:%Y%m%d-%H%M%S}"
    setpoint = 250 if number == 3 else 120
    text = (" Orlix / Thickness Measurement & Control / Data\r\n Pass No %02d ,    Date %s ,   Time %s\r\n"
            % (number, start.strftime("%m/%d/%y"), start.strftime("%H:%M:%S")) + rule +
            " L<m>           T<mcm>          D<mm>           W<kg>\r\n" + rule)
    drift, spread = random.uniform(-2.5, 2.5), random.uniform(1.0, 3.2)
    for i in range(2000):
        t = setpoint + drift + spread * math.sin(i * 0.05) + random.gauss(0, spread / 2) + (9 if i < 40 else 0)
        text += " %06d         %06.1f          %04d            %04d\r\n" % (i * 3, t, 300 + i // 20, 9 + i // 4)
    open(name + ".PSS", "w", newline="").write(text)
    os.utime(name + ".PSS", (end.timestamp(), end.timestamp()))
    if number == 4 and name.startswith("archive"):
        continue
    open(name + ".PSI", "w", newline="").write(
        "[pass]\r\nnumber=%d\r\nstart=%s\r\nend=%s\r\nset_point_um=%d\r\nscale_percent=40\r\n"
        "tolerance_plus_um=6\r\ntolerance_minus_um=6\r\nmeasurement_mode=1\r\na0=0\r\na1=1\r\na2=0\r\na3=0\r\n"
        "display_period_s=0.1\r\nfile_output_period_s=0.1\r\ncorrection_period_s=0.1\r\nversion=0.1.0\r\n"
        % (number, start.isoformat(), end.isoformat(), setpoint))
PASSES

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
python3 passes.py
# Summary, on the bottom row of buttons (the window's height follows its profile panel)
height=$(xdotool getwindowgeometry --shell "$win" | sed -n 's/^HEIGHT=//p')
click "$win" 661 $((height - 22))
win=$(xdotool search --sync --onlyvisible --name "Orlix / Pass Summary")
click "$win" 848 22            # Make
sleep 3
shot "$win" summary-window 0
pdftoppm -png -r 60 -f 1 -l 1 -singlefile reports/summary-*.pdf "$out/summary-report"
xdotool windowunmap "$win"
files=$(xdotool search --onlyvisible --name "Orlix / Pass Files" | head -1)
click "$files" 576 $((height - 22))  # Audit, left of Summary
win=$(xdotool search --sync --onlyvisible --name "Orlix / Audit Trail")
shot "$win" audit-window 1
kill "$pid"
DRIVE
chmod +x "$work/drive.sh"
xvfb-run -a -s "-screen 0 1280x800x24" "$work/drive.sh" "$station" "$out"
ls -1 "$out"
