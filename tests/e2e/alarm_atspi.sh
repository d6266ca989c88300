#!/usr/bin/env bash
# The off-gauge alarm of the real station as a screen reader meets it: under Xvfb, on a
# session bus of its own with the accessibility bus, a pass measures 150.5 µm against
# 120 ± 6; the AT-SPI tree must name the alarm, and the alarm's Acknowledge, pressed through
# AT-SPI's action interface, must change that name.
set -euo pipefail
for tool in xvfb-run xdotool dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || [ -x "$tool" ] || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import dbus' 2>/dev/null || { echo "SKIP: python3-dbus is not installed"; exit 77; }
station=$(realpath "$1")
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work"
# Approximation mode, A0 150.5 and nothing else: every measurement is 150.5 µm.
printf '1000\r\n1000\r\n500\r\n1\r\n0.1\r\n0.1\r\n0.1\r\n0.001\r\n1\r\n0\r\n0\r\n1\r\n0\r\n0\r\n' >QL_CFG.DAT
printf '150.5,0,0,0,1000\r\n' >QL_CFF.DAT
printf '[alarm]\ndelay_m=3\n' >station.ini
cat >tree.py <<'TREE'
"""Waits until an accessible named argv[1] is in the AT-SPI tree; with argv[2], then does the
first action of the accessible named so."""
import sys, time, dbus
ACC = "org.a11y.atspi.Accessible"
bus = dbus.SessionBus()
a11y = dbus.bus.BusConnection(
    bus.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus"))
def walk(name, path, found, depth=0):
    obj = a11y.get_object(name, path, introspect=False)
    found[str(obj.Get(ACC, "Name", dbus_interface="org.freedesktop.DBus.Properties"))] = obj
    if depth < 12:
        for child in obj.GetChildren(dbus_interface=ACC):
            walk(child[0], child[1], found, depth + 1)
    return found
seen = {}
for _ in range(300):
    try:
        seen = walk("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root", {})
    except dbus.DBusException:
        pass  # the tree changed while it was read
    if sys.argv[1] in seen:
        break
    time.sleep(0.1)
else:
    sys.exit("FAIL: no accessible named %r; alarm names seen: %r"
             % (sys.argv[1], [n for n in seen if "larm" in n]))
print("PASS: the AT-SPI tree names %r" % sys.argv[1])
if len(sys.argv) > 2:
    seen[sys.argv[2]].DoAction(0, dbus_interface="org.a11y.atspi.Action")
TREE
cat >drive.sh <<'DRIVE'
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
/usr/bin/python3 -c 'import dbus; dbus.SessionBus().get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")'
"$1" & pid=$!
trap 'kill -9 "$pid" 2>/dev/null || true' EXIT
win=$(timeout 30 xdotool search --sync --onlyvisible --name "Orlix / Thickness Measurement")
sleep 0.5 && xdotool mousemove --window "$win" 564 168 click 1  # Start
/usr/bin/python3 tree.py "Off-gauge alarm: THICK, not acknowledged" "Acknowledge the alarm"
/usr/bin/python3 tree.py "Off-gauge alarm: THICK, acknowledged"
DRIVE
# The buses' and the station's own messages are shown only when something failed.
timeout 90 dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" bash -e drive.sh "$station" 2>err.log ||
  { status=$?; cat err.log; exit "$status"; }
