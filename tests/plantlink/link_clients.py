#!/usr/bin/env python3
"""The real station's plant link against real clients (pymodbus, mbpoll, raw sockets):
registers against the pass file, the worked example of docs/MODBUS.md, refusals, allow list,
client limit, idle timeout, a malformed frame after a good one, writes committed onto the data board.
Usage (under X, "Start" is clicked): link_clients.py PROGRAM"""
import os, re, struct, subprocess, sys, threading, time
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from linkdrive import START, STOP, Station, drain, int32, require, skip

try:
    from pymodbus.client import ModbusTcpClient
except ImportError:
    skip("not installed: python3-pymodbus")
require("mbpoll")

NO, READ = -2**31, struct.pack(">HH", 0, 19)


def running_pass(st, pm):
    before = st.read()
    # The heartbeat counts seconds between passes too, as a PLC reads it with mbpoll.
    beat = lambda: int(re.search(r"\[20\]:\s+(\d+)", subprocess.check_output(
        ["mbpoll", "-m", "tcp", "-p", str(st.port), "-a", "1", "-t", "3", "-r", "20", "-c", "1", "-1", "127.0.0.1"],
        text=True)).group(1))
    first = beat()
    st.wait(lambda: beat() > first, 3)
    st.click(*START)
    seen = {}
    while len(seen) < 12:
        r = pm.read_input_registers(0, 24, slave=1).registers
        if r[9] & 2:  # 150.5 against 120 + 31; running, valid, control on, within tolerance
            assert (int32(r, 0), int32(r, 4), r[6], int32(r, 7), r[9]) == (150500, 30500, 2542, -2027, 23), r
            assert (int32(r, 20), int32(r, 22)) == (114000, 151000), r  # the limits of this pass
            seen[int32(r, 12) // 1000] = (int32(r, 16) / 1000, int32(r, 14) / 1000)
    out = subprocess.check_output(["mbpoll", "-m", "tcp", "-p", str(st.port), "-a", "1", "-t", "3:int", "-B",
                                   "-r", "1", "-c", "3", "-1", "127.0.0.1"], text=True)
    assert re.findall(r"\[(\d)\]:\s+(\d+)", out) == [("1", "150500"), ("3", "120000"), ("5", "30500")], out
    st.click(*STOP)
    assert st.read()[18] > before[18], "the update counter moved"
    rows = {int(l): (t, int(d), int(w)) for l, t, d, w in re.findall(
        r"^ (\d{6}) {9}(\d{4}\.\d) {10}(\d{4}) {12}(\d{4})\r$", st.file("00.PSS"), re.M)}
    found = [L for L in seen if L in rows]  # a line may fall between two display updates
    assert len(found) >= len(seen) - 2, (sorted(seen), sorted(rows))
    for L in found:  # roll diameter in mm and weight in kg as the file rounds them
        t, d, w = rows[L]
        assert t == "0150.5" and abs(d - seen[L][0]) <= 0.501 and abs(w - seen[L][1]) <= 0.501, (L, rows[L])


def refusals_and_limits(st, pm):
    assert drain(st.connect("127.0.0.2"), 0.5) == b"", "127.0.0.2 is not allowed (two places free)"
    assert pm.write_register(100, 5, slave=1).exception_code == 1  # writes off
    s = st.connect()
    s.sendall(struct.pack(">HHHBB", 7, 0, 6, 2, 4) + READ)  # for unit 2: not answered
    st.read()  # pymodbus, this socket and the station's own: a fourth is refused
    assert drain(st.connect(), 0.5) == b"", "a fourth client (max_clients=3)"
    assert drain(s, 1) is None and drain(s, 4) == b"", "idle connection closed after 2 s"
    # Each kind of refusal leaves one line per client, however often it happened.
    log = st.file("modbus.log")
    for what in ("127.0.0.2  refused: address not allowed", "127.0.0.1  refused: over the client limit",
                 "127.0.0.1  refused: frame for another unit", "127.0.0.1  refused: malformed frame",
                 "127.0.0.1  refused: write refused"):
        assert log.count(what) == 1, (what, log)


def received(s, size):
    """Up to `size` bytes, fewer only when the station closes the connection first."""
    data = b""
    while len(data) < size and (chunk := s.recv(size - len(data))):
        data += chunk
    return data


def stream_edges(st, pm):
    # 1,500 reads in one burst, read back while they are answered: nothing is left unread long.
    s, got = st.connect(), []
    reader = threading.Thread(target=lambda: got.append(received(s, 1500 * 47)))
    reader.start()
    s.sendall((struct.pack(">HHHBB", 7, 0, 6, 1, 4) + READ) * 1500)
    reader.join()
    assert len(got[0]) == 1500 * 47, len(got[0])
    s.close()
    pm.read_input_registers(0, 1, slave=1)  # pymodbus's connection kept from idling out
    # One byte out of step for 1.5 s, a frame completed every 20 ms: the frame timer runs
    # from each frame's first byte, so the connection stays.
    s, frame = st.connect(), struct.pack(">HHHBB", 7, 0, 6, 1, 4) + READ
    s.sendall(frame[:1])
    for _ in range(75):
        time.sleep(0.02)
        s.sendall(frame[1:] + frame[:1])
    s.sendall(frame[1:])
    s.settimeout(5)
    assert len(received(s, 76 * 47)) == 76 * 47
    s.close()
    pm.read_input_registers(0, 1, slave=1)
    # The answer to a good frame is sent before a bad one closes the connection.
    s = st.connect()
    s.sendall(frame + b"\0\1\0\1\0\6")
    answer = drain(s, 3)
    assert answer is not None and len(answer) == 47 and answer[:2] == b"\0\7", answer


def watchdog(st, pm):
    # Nothing written to register 104 for plc_watchdog_s (1 s): "PLC lost", once; a write: back.
    # pymodbus reads meanwhile, so its connection is not idle (idle_timeout_s=2); reads are no
    # sign of the PLC's life.
    st.wait(lambda: not pm.read_input_registers(0, 1, slave=1).isError() and "PLC lost" in st.file("modbus.log"), 5)
    assert not pm.write_register(104, 1, slave=1).isError()
    st.wait(lambda: "127.0.0.1  PLC back\n" in st.file("modbus.log"), 5)
    assert st.file("modbus.log").count("PLC lost") == 1


def writes(st, pm):
    counter = pm.read_input_registers(0, 19, slave=1).registers[18]
    assert not pm.write_registers(100, [3, 0x0D40], slave=1).isError()  # 200000 nm
    assert not pm.write_register(102, 7, slave=1).isError()
    assert not pm.write_register(103, counter, slave=1).isError()
    log = st.file("modbus.log")
    assert log.endswith("  127.0.0.1  set-point 120.0 -> 200.0 mcm  pass 00 -> 07\n"), log
    st.click(*START)  # the data board raises PassChange(7) and ThickChange(200)
    r = pm.read_input_registers(0, 19, slave=1).registers
    assert (int32(r, 2), r[10]) == (200000, 7) and " Pass No 07 ," in st.file("07.PSS"), r
    assert pm.write_register(103, r[18], slave=1).exception_code == 3  # a pass runs
    st.wait(lambda: st.file("07.PSS").count("\r\n") > 12)
    st.click(*STOP)
    rows = [int(l) for l in re.findall(r"^ (\d{6}) {9}", st.file("07.PSS"), re.M)]
    # The pass's summary after Stop (registers 24-35), its mean once the report is done.
    summary = lambda: pm.read_input_registers(24, 12, slave=1).registers
    st.wait(lambda: int32(summary(), 7) != NO, 10)
    last = summary()
    # 150.5 µm against 200 ± 6 µm: none in tolerance
    assert (last[0], int32(last, 7), int32(last, 9), last[11]) == (7, 150500, 0, 0), last
    assert int32(last, 1) >= 1000 * max(rows), (last, max(rows))
    # Pass 08 dialled on the board (its x1 digit): the holding registers follow it.
    subprocess.check_call(["xdotool", "mousemove", "--window", st.win, "308", "204", "click", "1"])
    st.wait(lambda: pm.read_holding_registers(100, 4, slave=1).registers[2] == 8)


SMALL = "max_clients=3\nidle_timeout_s=2\nplc_watchdog_s=1\n[quality]\ntolerance_plus_um=31\n"
for ini, cases in ((SMALL, (watchdog, running_pass, stream_edges, refusals_and_limits)), ("writes=true\n", (writes,))):
    st, pm = Station(sys.argv[1], ini), None
    try:
        pm = ModbusTcpClient("127.0.0.1", port=st.port)  # one connection for all cases: no place freed late
        assert pm.connect()
        for case in cases:
            case(st, pm)
            print("PASS:", case.__name__, flush=True)
    finally:
        if pm:
            pm.close()
        st.close()
