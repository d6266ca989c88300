"""The real station with its plant link, for the link's tests and its load benchmark: a
working directory with station.ini and data files, the program under X (xvfb-run), "Start"
and "Stop" clicked with xdotool, registers read over plain sockets."""
import os, shutil, socket, struct, subprocess, tempfile, time

# 0.1 s periods; Approximation with thickness = A0 gives a constant thickness.
START, STOP = (564, 168, 1), (564, 200, 0)
CFG = "1000\r\n1000\r\n500\r\n1\r\n0.1\r\n0.1\r\n0.1\r\n0.001\r\n1\r\n0\r\n0\r\n%d\r\n0\r\n0\r\n"


class Station:
    def __init__(self, program, ini, mode=1, port=5020):
        self.dir, self.port, self.sock = tempfile.mkdtemp(prefix="link-"), port, None
        for name, text in (("station.ini", "[modbus]\nenabled=true\nport=%d\n%s" % (port, ini)),
                           ("QL_CFG.DAT", CFG % mode), ("QL_CFF.DAT", "150.5,0,0,0,")):
            with open(os.path.join(self.dir, name), "w", newline="") as f:
                f.write(text)
        self.proc = subprocess.Popen([os.path.abspath(program)], cwd=self.dir)
        self.win = subprocess.check_output(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                            "Orlix / Thickness"], timeout=30).split()[0]
        self.wait(self.read)

    def click(self, x, y, running):  # START or STOP on the data board, then waits for it
        subprocess.check_call(["xdotool", "mousemove", "--window", self.win, str(x), str(y), "click", "1"])
        self.wait(lambda: self.read()[9] & 1 == running)

    def wait(self, ok, seconds=10):
        end = time.monotonic() + seconds
        while True:
            try:
                if ok():
                    return
            except (OSError, struct.error):
                pass
            assert time.monotonic() < end, "timed out"
            time.sleep(0.02)

    def connect(self, source="127.0.0.1"):
        s = socket.create_connection(("127.0.0.1", self.port), timeout=5, source_address=(source, 0))
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return s

    def read(self, sock=None):  # input registers 0-18 in one request, by default on its own socket
        for retry in (not sock, False):
            try:
                self.sock = self.sock or (None if sock else self.connect())
                return ask(sock or self.sock, 4, struct.pack(">HH", 0, 19))
            except (OSError, struct.error):  # closed as idle: connect anew once
                self.sock = None if not sock else self.sock
                if not retry:
                    raise

    def file(self, name):
        with open(os.path.join(self.dir, name), newline="") as f:
            return f.read()

    def close(self):
        self.proc.terminate()
        self.proc.wait(10)
        shutil.rmtree(self.dir)


def ask(sock, function, data, unit=1):
    """One request: the registers of a read, the data of a write, or ("exception", code)."""
    sock.sendall(struct.pack(">HHHBB", 7, 0, len(data) + 2, unit, function) + data)
    head = sock.recv(8, socket.MSG_WAITALL)
    body = sock.recv(struct.unpack(">H", head[4:6])[0] - 2, socket.MSG_WAITALL)
    if head[7] & 0x80:
        return ("exception", body[0])
    return list(struct.unpack(">%dH" % (body[0] // 2), body[1:])) if function in (3, 4) else body


def int32(regs, a):
    return struct.unpack(">i", struct.pack(">HH", regs[a], regs[a + 1]))[0]


def drain(sock, seconds=5):
    """What the station sends until it closes the connection; None while it stays open."""
    sock.settimeout(seconds)
    data = b""
    try:
        while chunk := sock.recv(64):
            data += chunk
    except ConnectionResetError:
        pass
    except socket.timeout:
        return None
    return data
