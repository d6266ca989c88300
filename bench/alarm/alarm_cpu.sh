#!/usr/bin/env bash
# Processor time of a pass with the off-gauge alarm set up and without, alternating, in the real
# program under Xvfb (run inside xvfb-run). Approximation mode with A0 150.5 alone measures
# 150.5 µm at 0.1 s periods; against 120 ± 6 the alarm is raised after 3 m and stays
# unacknowledged ("raised"), against 120 ± 50 the strip never leaves the limits ("quiet").
#   xvfb-run -a bench/alarm/alarm_cpu.sh build/app/thickness-station [quiet|raised] [seconds] [rounds]
set -euo pipefail
station=$(realpath "$1") case=${2:-quiet} seconds=${3:-40} rounds=${4:-2}
tolerance=$([ "$case" = raised ] && echo 6 || echo 50)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
for round in $(seq "$rounds"); do
  for alarm in off on; do
    work=$(mktemp -d) && cd "$work"
    printf '1000\r\n1000\r\n500\r\n1\r\n0.1\r\n0.1\r\n0.1\r\n0.001\r\n1\r\n0\r\n0\r\n1\r\n0\r\n0\r\n' >QL_CFG.DAT
    printf '150.5,0,0,0,1000\r\n' >QL_CFF.DAT
    printf '[quality]\ntolerance_plus_um=%s\ntolerance_minus_um=%s\n' "$tolerance" "$tolerance" >station.ini
    [ "$alarm" = on ] && printf '[alarm]\ndelay_m=3\n' >>station.ini
    QT_QPA_PLATFORM=xcb "$station" 2>/dev/null & pid=$!
    win=$(timeout 30 xdotool search --sync --onlyvisible --name "Orlix / Thickness Measurement" | head -1)
    sleep 1 && xdotool mousemove --window "$win" 564 168 click 1 && sleep 3  # Start
    c0=$(ticks $pid) t0=$(date +%s.%N)
    sleep "$seconds"
    c1=$(ticks $pid) t1=$(date +%s.%N)
    printf '%s, [alarm] %s, round %s: %.2f %% of a core, %s alarm events\n' "$case" "$alarm" "$round" \
      "$(echo "100 * ($c1 - $c0) / $(getconf CLK_TCK) / ($t1 - $t0)" | bc -l)" "$(cat alarm.log 2>/dev/null | wc -l)"
    kill $pid && wait $pid 2>/dev/null || true
    cd / && rm -rf "$work"
  done
done
