#!/usr/bin/env python3
"""The real station's plant link against real clients (pymodbus, mbpoll, raw sockets):
the registers against the pass file, the worked example of docs/MODBUS.md, refusals, the
allow list, the client limit, the idle timeout, malformed frames, and writes committed onto
the data board. Usage: link_clients.py PROGRAM (under X: "Start" is clicked)."""
import os, re, socket, struct, subprocess, sys
from pymodbus.client import ModbusTcpClient
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from linkdrive import Station, ask, closed, int32

NO = -2**31
READ = struct.pack(">HH", 0, 19)


def running_pass(st):
    """Registers during a pass against the pass file's lines, mbpoll's view and Stop."""
    good = st.connect()
    before = st.read(good)
    assert int32(before, 0) == NO and int32(before, 12) == NO and before[6] == 0x8000, before
    assert (int32(before, 2), before[9], before[10], before[11]) == (120000, 0b100, 0, 100), before
    st.start()
    seen = {}
    while len(seen) < 12:
        r = st.read(good)
        if r[9] & 2:  # pass running, value valid, control on; 150.5 against 120
            assert (int32(r, 0), int32(r, 4), r[6], int32(r, 7), r[9]) == \
                (150500, 30500, 2542, -2027, 0b111), r
            seen[int32(r, 12)] = (int32(r, 16), int32(r, 14))
    out = subprocess.check_output(["mbpoll", "-m", "tcp", "-p", str(st.port), "-a", "1", "-t",
                                   "3:int", "-B", "-r", "1", "-c", "3", "-1", "127.0.0.1"], text=True)
    assert re.findall(r"\[(\d+)\]:\s+(-?\d+)", out) == [("1", "150500"), ("3", "120000"),
                                                        ("5", "30500")], out
    st.stop()
    after = st.read(good)
    assert after[9] == 0b100 and int32(after, 0) == NO and after[18] > before[18], after
    lines = re.findall(r"^ (\d{6}) {9}(\d{4}\.\d) {10}(\d{4}) {12}(\d{4})\r$", st.file("00.PSS"), re.M)
    rows = {int(l) * 1000: (t, int(d), int(w)) for l, t, d, w in lines}
    found = [L for L in seen if L in rows]
    assert len(found) >= len(seen) - 2, (sorted(seen), sorted(rows))
    for L in found:  # roll diameter (µm -> mm) and weight (g -> kg) as the file rounds them
        t, diam, weight = rows[L]
        assert t == "0150.5" and abs(diam - seen[L][0] / 1000) <= 0.501 and \
            abs(weight - seen[L][1] / 1000) <= 0.501, (L, rows[L], seen[L])
    good.close()


def refusals_and_limits(st):
    pm = ModbusTcpClient("127.0.0.1", port=st.port)
    assert pm.connect()
    assert pm.write_register(100, 5, slave=1).exception_code == 1
    assert pm.read_holding_registers(100, 4, slave=1).exception_code == 1
    assert pm.read_coils(0, 1, slave=1).exception_code == 1
    assert pm.read_input_registers(0, 20, slave=1).exception_code == 2
    assert len(pm.read_input_registers(0, 19, slave=1).registers) == 19
    s = st.connect()
    assert len(ask(s, 4, READ, unit=255)) == 19 and len(ask(s, 4, READ, unit=0)) == 19
    s.settimeout(0.5)
    try:
        ask(s, 4, READ, unit=2)
        raise AssertionError("unit 2 answered")
    except socket.timeout:
        pass
    assert closed(st.connect("127.0.0.2"), 2), "127.0.0.2 is not allowed"
    assert closed(st.connect(), 2), "a third client (max_clients=2)"
    pm.close()
    assert not closed(s, 1) and closed(s, 4), "idle connection closed after 2 s"


def malformed_frames(st):
    good = st.connect()
    frames = {"short header": b"\x00\x01\x00\x00\x00", "long length": b"\x00\x01\x00\x00\x00\x40\x01\x04",
              "zero length": b"\x00\x01\x00\x00\x00\x00\x01",
              "short length": b"\x00\x01\x00\x00\x00\x02\x01\x04\x00\x00\x00\x13",
              "protocol id": b"\x00\x01\x00\x07\x00\x06\x01\x04\x00\x00\x00\x13",
              "garbage": bytes(range(256)) * 4}
    for name, data in frames.items():
        bad = st.connect()
        bad.sendall(data)
        answer = b""
        bad.settimeout(3)
        try:
            while chunk := bad.recv(64):
                answer += chunk
        except (ConnectionResetError, socket.timeout):
            pass
        # closed, after at most an exception answer (function code with 0x80)
        assert answer in (b"", b"\x00\x01\x00\x00\x00\x03\x01\x84\x03"), (name, answer)
        assert closed(bad, 0.1), name
        assert len(st.read(good)) == 19 and st.proc.poll() is None, name
    good.close()


def writes(st):
    pm = ModbusTcpClient("127.0.0.1", port=st.port)
    assert pm.connect()
    counter = pm.read_input_registers(0, 19, slave=1).registers[18]
    assert not pm.write_registers(100, [3, 0x0D40], slave=1).isError()  # 200000 nm
    assert not pm.write_register(102, 7, slave=1).isError()
    assert pm.write_register(103, counter + 1, slave=1).exception_code == 3
    assert not pm.write_register(103, counter, slave=1).isError()
    assert pm.read_holding_registers(100, 4, slave=1).registers == [3, 0x0D40, 7, counter]
    assert re.search(r"  127\.0\.0\.1  set-point 120\.0 -> 200\.0 mcm  pass 00 -> 07\n$",
                     st.file("modbus.log")), st.file("modbus.log")
    st.start()  # the data board raises PassChange(7) and ThickChange(200)
    r = pm.read_input_registers(0, 19, slave=1).registers
    assert (int32(r, 2), r[10]) == (200000, 7), r
    assert " Pass No 07 ," in st.file("07.PSS")
    assert pm.write_register(103, r[18], slave=1).exception_code == 3  # a pass runs
    st.stop()
    assert st.file("modbus.log").count("\n") == 1
    pm.close()


def run(ini, port, *cases):
    st = Station(sys.argv[1], ini, port=port)
    try:
        for case in cases:
            case(st)
            print("PASS:", case.__name__, flush=True)
    finally:
        st.close()


run("max_clients=2\nidle_timeout_s=2\n", 15020, running_pass, refusals_and_limits, malformed_frames)
run("writes=true\n", 15021, writes)
