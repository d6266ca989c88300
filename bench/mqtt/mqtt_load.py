#!/usr/bin/env python3
"""Plant scale for the MQTT output: N real stations (default 20) publish live values every
100 ms to one Mosquitto broker for S seconds (default 60) during a pass, one paho subscriber
takes them all. Reports sequence gaps, the time from a message's stamp to its arrival at the
subscriber (one machine, one clock), the message rate, and each station's processor time with
MQTT on against a second round of the same stations with MQTT off (/proc/<pid>/stat).
Usage: xvfb-run -a python3 mqtt_load.py PROGRAM [--stations 20] [--seconds 60]
Offscreen there is nothing to click, and nothing else starts a pass, so the stations share
one Xvfb: each window, found by the station's process id, is raised above the others and its
"Start" clicked with xdotool."""
import argparse, datetime, json, os, shutil, subprocess, sys, tempfile, time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/mqtt"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/plantlink"))
from linkdrive import CFG, START, require
from mqtt_broker import Broker, Subscriber, until

def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Fleet:
    """N stations, each in a folder of its own."""

    def __init__(self, program, n, ini, tmp):
        self.procs, self.windows, self.folders = [], [], []
        for i in range(n):
            folder = os.path.join(tmp, "st%02d" % i)
            os.makedirs(folder, exist_ok=True)
            self.folders.append(folder)
            for name, text in (("station.ini", ini % i), ("QL_CFG.DAT", CFG % 0), ("QL_CFF.DAT", "150.5,0,0,0,")):
                with open(os.path.join(folder, name), "w", newline="") as f:
                    f.write(text)
            self.procs.append(subprocess.Popen([os.path.abspath(program)], cwd=folder, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL))
        for i, p in enumerate(self.procs):
            win = subprocess.check_output(["xdotool", "search", "--sync", "--all", "--onlyvisible", "--pid", str(p.pid),
                                           "--name", "Orlix / Thickness"], timeout=60).split()[0]
            self.windows.append(win)

    def start(self):
        """"Start" on each, raised above the others (there is no window manager), again until its
        pass file is there (a window may not take input yet)."""
        for win, folder in zip(self.windows, self.folders):
            for attempt in range(20):
                subprocess.check_call(["xdotool", "windowraise", win])
                time.sleep(0.2)
                subprocess.check_call(["xdotool", "mousemove", "--window", win, str(START[0]), str(START[1]),
                                       "click", "1"])
                if until_file(os.path.join(folder, "00.PSS"), 1):
                    break
            else:
                subprocess.call(["import", "-window", "root", "/tmp/dbg/fleet.png"])
                raise AssertionError("no pass starts in " + folder)

    def stop(self):
        for p in self.procs:
            if p.poll() is None:
                p.terminate()
        for p in self.procs:
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()


def until_file(path, seconds):
    end = time.monotonic() + seconds
    while not os.path.exists(path):
        if time.monotonic() > end:
            return False
        time.sleep(0.05)
    return True


def passes_running(folder_of, n):
    """Each station's pass file grows: the pass runs."""
    sizes = lambda: [os.path.getsize(os.path.join(folder_of(i), "00.PSS")) if os.path.exists(
        os.path.join(folder_of(i), "00.PSS")) else 0 for i in range(n)]
    first = sizes()
    time.sleep(1)
    return all(b > a for a, b in zip(first, sizes()))


def round_of(program, n, seconds, mqtt_port, tmp, sub=None, broker=None):
    ini = "[mqtt]\nenabled=%s\nport=%d\nstation=bench%%02d\nlive_period_ms=100\n" % (
        "true" if mqtt_port else "false", mqtt_port or 1883)
    fleet = Fleet(program, n, ini, tmp)
    try:
        fleet.start()
        until(lambda: passes_running(lambda i: os.path.join(tmp, "st%02d" % i), n), 30, "every pass running")
        start_count = len(sub.messages) if sub else 0
        pids = fleet.procs + ([broker.proc] if broker else [])
        cpu0, t0, wall0 = [cpu_seconds(p.pid) for p in pids], time.monotonic(), time.time()
        time.sleep(seconds)
        cpu1, elapsed, wall1 = [cpu_seconds(p.pid) for p in pids], time.monotonic() - t0, time.time()
        window = [m for m in sub.messages[start_count:] if wall0 <= m[3] <= wall1] if sub else []
        return [(b - a) / elapsed for a, b in zip(cpu0, cpu1)], window, elapsed
    finally:
        fleet.stop()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program")
    ap.add_argument("--stations", type=int, default=20)
    ap.add_argument("--seconds", type=float, default=60)
    a = ap.parse_args()
    require("xdotool", "mosquitto")
    tmp = tempfile.mkdtemp(prefix="mqtt-load-")
    broker = sub = None
    try:
        broker = Broker(tmp).start()
        sub = Subscriber(broker.port, "thickness/+/live")
        on, window, elapsed = round_of(a.program, a.stations, a.seconds, broker.port, os.path.join(tmp, "on"), sub,
                                       broker)
        broker_cpu = on.pop()
        off, _, _ = round_of(a.program, a.stations, a.seconds, None, os.path.join(tmp, "off"))
    finally:
        if sub:
            sub.close()
        if broker:
            broker.stop()
        shutil.rmtree(tmp, ignore_errors=True)

    by_station, latencies = {}, []
    for topic, payload, _, received in window:
        m = json.loads(payload)
        by_station.setdefault(topic.split("/")[1], []).append(m["sequence"])
        latencies.append(received - datetime.datetime.fromisoformat(m["time"]).timestamp())
    gaps = sum(sum(1 for x, y in zip(s, s[1:]) if y != x + 1) for s in by_station.values())
    lat = sorted(latencies)
    rate = len(window) / elapsed
    mean_on, mean_off = 100 * sum(on) / len(on), 100 * sum(off) / len(off)
    print("%d stations, %.1f s: %d live messages (%.1f per second, %.2f per station and second), from %d stations"
          % (a.stations, elapsed, len(window), rate, rate / a.stations, len(by_station)))
    print("sequence gaps: %d" % gaps)
    print("stamp to subscriber: median %.1f ms, 99th %.1f ms, largest %.1f ms"
          % (1e3 * lat[len(lat) // 2], 1e3 * lat[int(len(lat) * 0.99)], 1e3 * lat[-1]))
    print("processor time per station, %% of a core: MQTT on mean %.2f (%.2f-%.2f), off mean %.2f (%.2f-%.2f), added %.2f"
          % (mean_on, 100 * min(on), 100 * max(on), mean_off, 100 * min(off), 100 * max(off), mean_on - mean_off))
    print("broker processor time: %.2f %% of a core" % (100 * broker_cpu))
    ok = (gaps == 0 and len(by_station) == a.stations and lat[int(len(lat) * 0.99)] < 0.050
          and mean_on - mean_off < 0.5)
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
