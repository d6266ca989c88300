#!/usr/bin/env python3
"""The real station's MQTT output against a real Mosquitto broker (started here on free ports,
with a configuration written here) and a subscriber nobody here wrote (paho-mqtt): live values
against the plant link's registers, a summary at each "Stop" against the information file, the
summary of a pass stopped while the broker is down (exactly once), and of one left in the outbox
by a killed station, the will on SIGKILL, a refused login, TLS with a CA, certificate and key made
by openssl, and garbage in [mqtt].
Usage (under X, "Start" is clicked): mqtt_broker.py PROGRAM"""
import contextlib, json, os, pwd, re, shutil, signal, socket, subprocess, sys, tempfile, time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../plantlink"))
from linkdrive import START, STOP, Station, free_port, int32, require, skip

require("mosquitto", "mosquitto_passwd", "openssl")
try:
    import jsonschema
    import paho.mqtt.client as paho
except ImportError as e:
    skip("not installed: python3-paho-mqtt or python3-jsonschema (%s)" % e)

# Every payload received is checked against its schema in docs/.
SCHEMAS = {leaf: json.load(open(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                             "../../docs/schemas/mqtt-%s.schema.json" % leaf)))
           for leaf in ("live", "pass", "calibration")}


def until(ok, seconds=20, what="condition"):
    end = time.monotonic() + seconds
    while not ok():
        assert time.monotonic() < end, "timed out waiting for " + what
        time.sleep(0.02)


class Broker:
    """Mosquitto on a free port with a configuration written here; its sessions survive a
    restart (persistence), so the subscriber misses nothing while the broker is down."""

    def __init__(self, folder, extra=""):
        self.dir, self.port, self.proc = folder, free_port(), None
        self.conf = os.path.join(folder, "mosquitto.conf")
        with open(self.conf, "w") as f:
            f.write("persistence true\nqueue_qos0_messages true\npersistence_location %s/\nlog_dest file %s/broker.log\n"
                    "connection_messages true\nuser %s\nlistener %d 127.0.0.1\n%s"
                    % (folder, folder, pwd.getpwuid(os.getuid()).pw_name, self.port, extra or "allow_anonymous true\n"))

    def start(self):
        self.proc = subprocess.Popen(["mosquitto", "-c", self.conf])
        def listens():
            assert self.proc.poll() is None, "mosquitto exited: " + self.log()
            with contextlib.suppress(OSError), socket.create_connection(("127.0.0.1", self.port), 0.2):
                return True
        until(listens, 10, "the broker")
        return self

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(10)

    def log(self):
        with open(os.path.join(self.dir, "broker.log"), errors="replace") as f:
            return f.read()


class Subscriber:
    """paho-mqtt with a session that outlives its connection (QoS 1), resubscribing itself."""

    def __init__(self, port, topic="thickness/#", **login):
        self.messages = []  # (topic, payload text, retained, time received)
        self.valid = {}  # leaf -> the payloads read and checked so far
        self.client = paho.Client(client_id="sub-%d-%d" % (os.getpid(), port), clean_session=False)
        if login:
            self.client.username_pw_set(login["user"], login["password"])
        self.client.on_connect = lambda c, u, f, rc: c.subscribe(topic, qos=1)
        self.client.on_message = lambda c, u, m: self.messages.append(
            (m.topic, m.payload.decode(), m.retain, time.time()))
        self.client.reconnect_delay_set(1, 1)
        self.client.connect("127.0.0.1", port)
        self.client.loop_start()

    def of(self, leaf):
        found = [p for t, p, r, _ in self.messages if t.endswith("/" + leaf)]
        if leaf not in SCHEMAS:
            return found
        for payload in found[len(self.valid.get(leaf, [])):]:
            self.valid.setdefault(leaf, []).append(json.loads(payload))
            jsonschema.validate(self.valid[leaf][-1], SCHEMAS[leaf])
        return self.valid.get(leaf, [])

    def close(self):
        self.client.loop_stop()
        self.client.disconnect()


def ini(port, extra=""):
    return "[mqtt]\nenabled=true\nport=%d\nstation=gauge1\nlive_period_ms=100\n%s" % (port, extra)


def outbox(st):
    folder = os.path.join(st.dir, "mqtt-outbox")
    return sorted(n for n in os.listdir(folder) if n.endswith(".json"))


def live_against_registers(st, sub):
    st.click(*START)
    checked = 0
    while checked < 10:  # live messages of the running pass, each beside a register read
        regs, live = st.read(), [m for m in sub.of("live") if m["valid"]]
        if live and regs[9] & 2:
            m = live[-1]
            assert (m["thickness_um"], m["setpoint_um"], m["pass"]) == (
                int32(regs, 0) / 1000, int32(regs, 2) / 1000, regs[10]), (m, regs)
            checked += 1
        time.sleep(0.05)
    st.click(*STOP)
    until(lambda: len(sub.of("pass")) >= 1, 20, "the summary")
    # The stop's live value comes at the end of its live period, maybe after the summary.
    until(lambda: sub.of("live")[-1]["running"] is False, 5, "the stop's live value")
    seq = [m["sequence"] for m in sub.of("live")]
    assert seq == list(range(seq[0], seq[0] + len(seq))), "a gap in " + str(seq)
    received = [t for topic, *_, t in sub.messages if topic.endswith("/live")]
    assert min(b - a for a, b in zip(received, received[1:])) > 0.05, "more than one message per live_period_ms"


def main(program):
    with contextlib.ExitStack() as stack:
        tmp = tempfile.mkdtemp(prefix="mqtt-")
        stack.callback(shutil.rmtree, tmp, True)
        log = open(os.path.join(tmp, "station.log"), "w+")
        broker = Broker(tmp).start()
        stack.callback(broker.stop)
        sub = Subscriber(broker.port)
        stack.callback(sub.close)
        st = Station(program, ini(broker.port), log=log)
        stack.callback(lambda: st.close())

        # Online, the calibration retained, live values against the registers, the summary
        # against the information file.
        until(lambda: "online" in sub.of("state") and sub.of("calibration"), 20, "online")
        assert sub.of("calibration")[-1]["coefficients"] == [150.5, 0, 0, 0]
        live_against_registers(st, sub)
        summary = sub.of("pass")[0]
        info = dict(re.findall(r"^(\w+)=(.*?)\r?$", st.file(summary["files"]["info"]), re.M))
        assert summary["statistics"]["data_lines"] == int(info["data_lines"]), (summary, info)
        assert os.path.exists(os.path.join(st.dir, summary["files"]["report_pdf"])), summary["files"]
        assert outbox(st) == [], "acknowledged summaries leave the outbox"

        # A pass's id holds its start to the second: the next pass starts in a later second.
        def later_second():
            last = sub.of("pass")[-1]["start"][:19]
            until(lambda: time.strftime("%Y-%m-%dT%H:%M:%S") > last, 3, "the next second")

        # The broker goes away during a pass; "Stop" while it is down; back: exactly once.
        later_second()
        st.click(*START)
        broker.stop()
        st.click(*STOP)
        until(lambda: len(outbox(st)) == 1, 20, "the summary in the outbox")
        broker.start()
        until(lambda: len(sub.of("pass")) == 2 and outbox(st) == [], 45, "the summary after the outage")
        until(lambda: any(not m["running"] for m in sub.of("live")[-1:]), 10, "live values again")

        # Killed with a summary waiting, started again: it arrives, once.
        later_second()
        st.click(*START)
        broker.stop()
        st.click(*STOP)
        until(lambda: len(outbox(st)) == 1, 20, "the summary in the outbox")
        st.proc.send_signal(signal.SIGKILL)
        st.proc.wait()
        broker.start()
        st = Station(program, ini(broker.port), directory=st.dir, log=log)
        until(lambda: len(sub.of("pass")) == 3 and outbox(st) == [], 45, "the summary after the restart")
        ids = [m["id"] for m in sub.of("pass")]
        time.sleep(1)  # nothing more comes
        assert len(set(ids)) == 3 == len(sub.of("pass")), ids

        # The will: "offline", retained, when the station is killed.
        st.proc.send_signal(signal.SIGKILL)
        until(lambda: sub.of("state")[-1:] == ["offline"], 60, "the will")
        late = Subscriber(broker.port, "thickness/gauge1/state")
        stack.callback(late.close)
        until(lambda: late.messages and late.messages[0][1:3] == ("offline", True), 10, "the retained will")
        st.close()

        # Garbage in [mqtt]: the bad value named, its default taken (the host's name), the
        # password never repeated.
        log.seek(0), log.truncate()
        st = Station(program, "[mqtt]\nport=%d\nenabled=true\nstation=a/b#\npassword=hunter2\n" % broker.port, log=log)
        level = re.sub(r"[^A-Za-z0-9_.-]", "-", socket.gethostname())[:64] or "station"
        until(lambda: any(t == "thickness/%s/state" % level and p == "online" for t, p, *_ in sub.messages), 20,
              "the station under its default name")
        log.seek(0)
        text = log.read()
        assert "[mqtt] station" in text and "[mqtt] password" in text and "hunter2" not in text, text
        st.close()

    tls_and_login(program)
    print("PASS: mqtt_broker")


def tls_and_login(program):
    """A broker that wants a login, and on a second listener a client certificate."""
    with contextlib.ExitStack() as stack:
        tmp = tempfile.mkdtemp(prefix="mqtt-tls-")
        stack.callback(shutil.rmtree, tmp, True)
        path = lambda name: os.path.join(tmp, name)
        ssl = lambda *args: subprocess.check_call(["openssl", *args], stdout=subprocess.DEVNULL,
                                                  stderr=subprocess.DEVNULL, cwd=tmp)
        key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
        for ca in ("ca", "other-ca"):
            ssl("req", "-x509", *key, "-keyout", ca + ".key", "-out", ca + ".crt", "-days", "2", "-subj", "/CN=" + ca)
        with open(path("san"), "w") as f:
            f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n")
        for name in ("server", "client"):
            ssl("req", *key, "-keyout", name + ".key", "-out", name + ".csr", "-subj", "/CN=" + name)
            ssl("x509", "-req", "-in", name + ".csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                "-out", name + ".crt", "-days", "2", "-extfile", "san")
        subprocess.check_call(["mosquitto_passwd", "-b", "-c", path("passwd"), "gauge", "right-pw"])
        for name, text in (("good.pw", "right-pw\n"), ("bad.pw", "wrong-pw\n")):
            with open(path(name), "w") as f:
                f.write(text)
        tls_port = free_port()
        broker = Broker(tmp, "allow_anonymous false\npassword_file %s\nlistener %d 127.0.0.1\ncafile %s\n"
                             "certfile %s\nkeyfile %s\nrequire_certificate true\n"
                        % (path("passwd"), tls_port, path("ca.crt"), path("server.crt"), path("server.key")))
        broker.start()
        stack.callback(broker.stop)
        sub = Subscriber(broker.port, user="gauge", password="right-pw")
        stack.callback(sub.close)
        log = open(path("station.log"), "w+")

        # A refused login is reported, its password never.
        st = Station(program, ini(broker.port, "username=gauge\npassword_file=%s\n" % path("bad.pw")), log=log)
        stack.callback(lambda: st.close())
        until(lambda: "login refused" in open(path("station.log")).read(), 20, "the refusal")
        assert "wrong-pw" not in open(path("station.log")).read()
        st.close()

        # TLS: the broker's certificate checked against the CA, the station's own certificate;
        # against another CA the broker is not trusted.
        for ca in ("other-ca", "ca"):
            st = Station(program, ini(tls_port, "username=gauge\npassword_file=%s\ntls=true\nca_file=%s\ncert_file=%s\n"
                                                "key_file=%s\n" % (path("good.pw"), path(ca + ".crt"), path("client.crt"),
                                                                   path("client.key"))), log=log)
            if ca == "other-ca":
                until(lambda: "TLS failure" in open(path("station.log")).read(), 45, "the TLS failure")
                assert sub.of("state") == []
            else:
                until(lambda: "online" in sub.of("state"), 20, "online over TLS")
            st.close()


if __name__ == "__main__":
    main(sys.argv[1])
