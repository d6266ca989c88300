"""The real station with its plant link, for the link's tests and its load benchmark: a
working directory with station.ini and data files, the program under X (xvfb-run), "Start"
and "Stop" clicked with xdotool, and register reads over plain sockets."""
import os, shutil, socket, struct, subprocess, tempfile, time

# 0.1 s periods; Approximation with thickness = A0 gives a constant thickness.
CFG = "1000\r\n1000\r\n500\r\n1\r\n0.1\r\n0.1\r\n0.1\r\n0.001\r\n1\r\n0\r\n0\r\n{mode}\r\n0\r\n0\r\n"


class Station:
    def __init__(self, program, ini, mode=1, a0="150.5", port=5020):
        self.dir, self.port = tempfile.mkdtemp(prefix="link-"), port
        with open(os.path.join(self.dir, "station.ini"), "w") as f:
            f.write("[modbus]\nenabled=true\nport=%d\n%s" % (port, ini))
        with open(os.path.join(self.dir, "QL_CFG.DAT"), "w", newline="") as f:
            f.write(CFG.format(mode=mode))
        with open(os.path.join(self.dir, "QL_CFF.DAT"), "w") as f:
            f.write(a0 + ",0,0,0,")
        self.proc = subprocess.Popen([program], cwd=self.dir)
        self.win = subprocess.check_output(
            ["xdotool", "search", "--sync", "--onlyvisible", "--name", "Orlix / Thickness"],
            timeout=30).split()[0]
        self.wait(lambda: self.connect().close() or True)

    def click(self, x, y):
        subprocess.check_call(["xdotool", "mousemove", "--window", self.win, str(x), str(y),
                               "click", "1"])

    def start(self):
        self.click(564, 168)
        self.wait(lambda: self.read()[9] & 1)

    def stop(self):
        self.click(564, 200)
        self.wait(lambda: not self.read()[9] & 1)

    def wait(self, ok, seconds=10):
        end = time.monotonic() + seconds
        while True:
            try:
                if ok():
                    return
            except OSError:
                pass
            assert time.monotonic() < end, "timed out"
            time.sleep(0.02)

    def connect(self, source="127.0.0.1"):
        s = socket.create_connection(("127.0.0.1", self.port), timeout=5,
                                     source_address=(source, 0))
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return s

    def read(self, sock=None):
        """Input registers 0-18 in one request."""
        s = sock or self.connect()
        try:
            return ask(s, 4, struct.pack(">HH", 0, 19))
        finally:
            if sock is None:
                s.close()

    def file(self, name):
        with open(os.path.join(self.dir, name), newline="") as f:
            return f.read()

    def close(self):
        self.proc.terminate()
        self.proc.wait(10)
        shutil.rmtree(self.dir)


def ask(sock, function, data, unit=1):
    """One request; the registers of a read, the data of a write, or ("exception", code)."""
    sock.sendall(struct.pack(">HHHBB", 7, 0, len(data) + 2, unit, function) + data)
    head = recv(sock, 8)
    body = recv(sock, struct.unpack(">H", head[4:6])[0] - 2)
    if head[7] & 0x80:
        return ("exception", body[0])
    if function in (3, 4):
        return list(struct.unpack(">%dH" % (body[0] // 2), body[1:]))
    return body


def recv(sock, n):
    data = b""
    while len(data) < n:
        part = sock.recv(n - len(data))
        if not part:
            raise ConnectionError("closed")
        data += part
    return data


def int32(regs, a):
    return struct.unpack(">i", struct.pack(">HH", regs[a], regs[a + 1]))[0]


def closed(sock, seconds=5):
    """True when the station closes the connection within the time."""
    sock.settimeout(seconds)
    try:
        return sock.recv(1) == b""
    except ConnectionResetError:
        return True
    except socket.timeout:
        return False
