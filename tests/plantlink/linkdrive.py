"""The real station with its plant link, for the link's tests and its load benchmark: a
working directory with station.ini and data files, the program under X (xvfb-run), "Start"
and "Stop" clicked with xdotool, registers read over plain sockets. The link listens on a
port the system reports free; a missing tool ends the run as skipped (exit 77)."""
import os, shutil, socket, struct, subprocess, sys, tempfile, time

# 0.1 s periods; Approximation with thickness = A0 gives a constant thickness.
START, STOP = (564, 168, 1), (564, 200, 0)
CFG = "1000\r\n1000\r\n500\r\n1\r\n0.1\r\n0.1\r\n0.1\r\n0.001\r\n1\r\n0\r\n0\r\n%d\r\n0\r\n0\r\n"


def skip(reason):  # the CTest entries take 77 as skipped (SKIP_RETURN_CODE)
    print("SKIP:", reason, flush=True)
    sys.exit(77)


def require(*programs):
    missing = [p for p in programs if shutil.which(p) is None]
    if missing:
        skip("not installed: " + " ".join(missing))


def free_port():
    """A port nobody listens on now, as the system picks it for 127.0.0.1:0."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Station:
    """Started on a free port; another program may take that port before the station binds it,
    then the station is stopped and started again on another. Whatever fails after the start
    stops the station and removes its folder."""

    def __init__(self, program, ini, mode=1, directory=None, log=None):
        """directory: an earlier station's folder to start in again; log: a file for its output."""
        require("xdotool")
        self.dir, self.proc, self.sock = directory or tempfile.mkdtemp(prefix="link-"), None, None
        try:
            for attempt in range(3):
                self.port = free_port()
                for name, text in (("station.ini", "[modbus]\nenabled=true\nport=%d\n%s" % (self.port, ini)),
                                   ("QL_CFG.DAT", CFG % mode), ("QL_CFF.DAT", "150.5,0,0,0,")):
                    with open(os.path.join(self.dir, name), "w", newline="") as f:
                        f.write(text)
                self.proc = subprocess.Popen([os.path.abspath(program)], cwd=self.dir, stdout=log, stderr=log)
                self.win = subprocess.check_output(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                                    "Orlix / Thickness"], timeout=30).split()[0]
                if self.until(self.listens):
                    break
                print("port %d was taken before the station bound it" % self.port, flush=True)
                self.stop()
            else:
                raise AssertionError("no free port in 3 attempts")
            self.wait(self.read)
        except BaseException:
            self.close()
            raise

    def listens(self):
        """Whether this station itself (not another program) listens on self.port."""
        fds = "/proc/%d/fd" % self.proc.pid
        sockets = {os.readlink(os.path.join(fds, fd)) for fd in os.listdir(fds)}
        with open("/proc/net/tcp") as table:
            rows = [line.split() for line in table.readlines()[1:]]
        return any(r[3] == "0A" and int(r[1].rsplit(":", 1)[1], 16) == self.port
                   and "socket:[%s]" % r[9] in sockets for r in rows)

    def click(self, x, y, running):  # START or STOP on the data board, then waits for it
        subprocess.check_call(["xdotool", "mousemove", "--window", self.win, str(x), str(y), "click", "1"])
        self.wait(lambda: self.read()[9] & 1 == running)

    def until(self, ok, seconds=10):
        end = time.monotonic() + seconds
        while True:
            assert self.proc.poll() is None, "the station exited with status %d" % self.proc.returncode
            try:
                if ok():
                    return True
            except (OSError, struct.error):
                pass
            if time.monotonic() >= end:
                return False
            time.sleep(0.02)

    def wait(self, ok, seconds=10):
        assert self.until(ok, seconds), "timed out"

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

    def stop(self):
        if self.sock:
            self.sock.close()
            self.sock = None
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def close(self):
        self.stop()
        shutil.rmtree(self.dir, ignore_errors=True)


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
