#!/usr/bin/env python3
"""Load on the plant link: max_clients clients each read input registers 0-18 every 20 ms
while a pass runs at 0.1 s periods (Direct mode). Reports the answer times, the data lines
of the pass file as they appear (missing or late lines), and the station's processor time.
Usage: link_load.py PROGRAM [--seconds 60] [--clients 4] [--update-ms N] [--check]
Run under X (xvfb-run): "Start" and "Stop" are clicked. --check (the test command) fails on
a wrong or missing answer, an image mixed from two updates, a stalled pass or a crash;
without it the figures are compared with their targets."""
import argparse, os, re, sys, threading, time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/plantlink"))
from linkdrive import START, STOP, Station, int32

LINE = re.compile(rb"^ \d{6} {9}[-0-9]{4}\.\d {10}\d{4} {12}\d{4}\r$", re.M)


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program")
    ap.add_argument("--seconds", type=float, default=60)
    ap.add_argument("--clients", type=int, default=4)
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--update-ms", type=int, help="the link's update_ms (default: station.ini's default)")
    a = ap.parse_args()
    latencies, faults, arrivals = [], [], []
    done = threading.Event()
    extra = "" if a.update_ms is None else "update_ms=%d\n" % a.update_ms
    st = Station(a.program, "max_clients=%d\n%s" % (a.clients, extra), mode=0)  # on a port the system reports free

    def client(n):
        sock, last, due = st.connect(), None, time.monotonic()
        while not done.is_set():
            t0 = time.perf_counter()
            try:
                r = st.read(sock)
            except Exception as e:  # noqa: BLE001 - every failure is a finding
                faults.append("client %d: %r" % (n, e))
                return
            latencies.append(time.perf_counter() - t0)
            if len(r) != 19 or (r[9] & 2 and int32(r, 4) != int32(r, 0) - int32(r, 2)):
                faults.append("client %d: mixed or wrong image %r" % (n, r))
            if last is not None and (r[18] - last) & 0xFFFF > 0x8000:
                faults.append("client %d: counter went back %d -> %d" % (n, last, r[18]))
            last = r[18]
            due += 0.020
            time.sleep(max(0.0, due - time.monotonic()))
        sock.close()

    def watch(path):
        seen = 0
        while not done.is_set():
            try:
                n = len(LINE.findall(open(path, "rb").read()))
            except FileNotFoundError:
                n = 0
            arrivals.extend([time.monotonic()] * (n - seen))
            seen = n
            time.sleep(0.002)

    try:
        st.click(*START)
        st.sock.close()  # the clients take every place
        st.sock = None
        cpu0, t0 = cpu_seconds(st.proc.pid), time.monotonic()
        threads = [threading.Thread(target=client, args=(i,)) for i in range(a.clients)]
        threads.append(threading.Thread(target=watch, args=(os.path.join(st.dir, "00.PSS"),)))
        for t in threads:
            t.start()
        time.sleep(a.seconds)
        elapsed, cpu = time.monotonic() - t0, cpu_seconds(st.proc.pid) - cpu0
        done.set()
        for t in threads:
            t.join()
        st.click(*STOP)
        alive = st.proc.poll() is None
    finally:
        done.set()  # the threads end whatever failed
        st.close()

    lat = sorted(latencies)
    gaps = [b - a_ for a_, b in zip(arrivals, arrivals[1:])]
    late = sum(1 for g in gaps if g > 0.120)
    print("%d clients, %.1f s: %d answers, median %.2f ms, 99th %.2f ms, largest %.2f ms"
          % (a.clients, elapsed, len(lat), 1e3 * lat[len(lat) // 2], 1e3 * lat[int(len(lat) * 0.99)],
             1e3 * lat[-1]))
    print("data lines %d of %.0f periods, largest gap %.3f s, %d gaps over 0.120 s"
          % (len(arrivals), elapsed / 0.1, max(gaps), late))
    print("station processor time %.2f %% of a core" % (100 * cpu / elapsed))
    for f in faults[:10]:
        print("FAULT:", f)
    ok = alive and not faults and len(arrivals) >= 0.9 * elapsed / 0.1
    if not a.check:
        ok = ok and lat[-1] < 0.050 and late == 0 and cpu / elapsed < 0.10
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
