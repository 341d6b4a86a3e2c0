#!/usr/bin/env python3
"""Runs `orvane serve` over the stand-in's cameras and checks what it serves:
the metrics, the JSON documents and the other endpoints, how it answers bad
requests while still answering scrapes, and that it ends cleanly on a signal.

    orvane_serve_test.py --orvane EXE --work DIR [--emulator RUNNER] [--memory-factor N] GROUP
"""
import argparse
import gzip
import http.client
import json
import os
import re
import selectors
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
from check_report import check, report
from standin_trace import before_cleanup, calls as trace_calls

CAMERA = "192.0.2.64"  # one line rule
RULES_CAMERA = "192.0.2.66"  # a point rule 1, a box rule 2 and a line rule 3
UNREACHABLE = "198.18.0.1"  # no camera of the simulated site: refused with error 7
PASSWORD = "orvane-demo"
FAMILIES = {
    "orvane_camera_up": "gauge", "orvane_camera_logins_total": "counter",
    "orvane_camera_login_failures_total": "counter", "orvane_thermometry_state": "gauge",
    "orvane_thermometry_rule_info": "gauge",
    "orvane_thermometry_data_events_total": "counter", "orvane_thermometry_seconds_since_data": "gauge",
    "orvane_thermometry_restarts_total": "counter", "orvane_thermometry_temperature_celsius": "gauge",
    "orvane_thermometry_measurement_timestamp_seconds": "gauge", "orvane_poll_duration_seconds": "histogram",
    "orvane_build_info": "gauge", "process_resident_memory_bytes": "gauge", "process_cpu_seconds_total": "counter",
    "process_open_fds": "gauge", "process_start_time_seconds": "gauge", "orvane_log_write_failures_total": "counter",
    "orvane_alarm_threshold_celsius": "gauge",
}

args = None


class Service:
    """One `orvane serve` process, its standard error collected as it comes."""

    def __init__(self, name, addresses, extra=(), env=None, read_log=True):
        self.trace = os.path.join(args.work, f"{name}-trace.txt")
        env = dict(os.environ, ORVANE_PASSWORD=PASSWORD, HCNETSDK_STANDIN_TRACE=self.trace, **(env or {}))
        argv = ["serve", "--listen", "127.0.0.1:0", *extra]
        for address in addresses:
            argv += ["-a", address]
        runner = [args.emulator] if args.emulator else []
        self.process = subprocess.Popen(runner + [args.orvane] + argv, cwd=args.work, env=env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.lines = []
        # Without a reader, only the lines up to the "listening" one are read.
        self.reader = threading.Thread(target=self._read if read_log else self._read_to_listening, daemon=True)
        self.reader.start()
        self.port = None
        deadline = time.monotonic() + 60
        while self.port is None and time.monotonic() < deadline and self.process.poll() is None:
            for line in list(self.lines):
                # A line of its own, or a structured log's message.
                found = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", line)
                if found:
                    self.port = int(found.group(1))
            time.sleep(0.1)
        if not check(self.port is not None, f"{name}: no 'listening on' line: {self.lines}"):
            self.process.kill()
            raise SystemExit(1)

    def _read(self):
        for raw in self.process.stderr:
            self.lines.append(raw.decode("utf-8", "replace").rstrip("\r\n"))

    def _read_to_listening(self):
        for raw in self.process.stderr:
            self.lines.append(raw.decode("utf-8", "replace").rstrip("\r\n"))
            if self.lines[-1].startswith("listening on "):
                return

    def get(self, path, method="GET", timeout=10, headers=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            connection.request(method, path, headers=headers or {})
            response = connection.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            connection.close()

    def metrics(self, timeout=10):
        status, headers, body = self.get("/metrics", timeout=timeout)
        check(status == 200 and headers.get("Content-Type", "").startswith("text/plain; version=0.0.4"),
              f"/metrics: {status} {headers}")
        return parse_exposition(body.decode("utf-8"))

    def wait_for(self, what, condition, seconds=60):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            samples = self.metrics()
            if condition(samples):
                return samples
            time.sleep(0.5)
        check(False, f"waited {seconds} s for {what}")
        return samples

    def stop(self):
        """Asks the service to end (SIGTERM; under wine SIGINT, which wine turns into
        the console's Ctrl+C event) and returns its exit code."""
        self.process.send_signal(signal.SIGINT if args.emulator else signal.SIGTERM)
        try:
            code = self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = self.process.wait()
            check(False, "the service did not end on the signal")
        self.reader.join(timeout=10)
        return code


def parse_exposition(text):
    """{(name, frozenset(labels)): value}, checking that each family comes with its HELP and TYPE."""
    samples, typed, helped = {}, {}, set()
    for line in text.splitlines():
        if line.startswith("# HELP "):
            helped.add(line.split()[2])
        elif line.startswith("# TYPE "):
            _, _, name, kind = line.split()
            typed[name] = kind
        elif line:
            found = re.match(r'^([a-z_]+)(?:\{(.*)\})? (\S+)$', line)
            if not check(found is not None, f"not a sample line: {line!r}"):
                continue
            name, labels, value = found.groups()
            family = re.sub(r"_(bucket|sum|count)$", "", name) if name not in typed else name
            check(family in typed and family in helped, f"{name}: sample without HELP and TYPE")
            pairs = frozenset(re.findall(r'(\w+)="((?:[^"\\]|\\.)*)"', labels or ""))
            samples[(name, pairs)] = float(value)
    for name, kind in FAMILIES.items():
        check(typed.get(name) == kind and name in helped, f"family {name}: TYPE {typed.get(name)}, HELP {name in helped}")
    return samples


def value(samples, name, **labels):
    return samples.get((name, frozenset((k, str(v)) for k, v in labels.items())))


def refused(samples, **labels):
    """Whether a login was refused (the usual causes' counters are there from 0)."""
    return any(v > 0 for v in select(samples, "orvane_camera_login_failures_total", **labels).values())


def state(samples, **labels):
    """The channel's state: the one of its state set at 1 (None unless exactly one is)."""
    on = [dict(key)["state"] for key, v in select(samples, "orvane_thermometry_state", **labels).items() if v == 1]
    return on[0] if len(on) == 1 else None


def select(samples, name, **labels):
    wanted = set((k, str(v)) for k, v in labels.items())
    return {key[1]: v for key, v in samples.items() if key[0] == name and wanted <= key[1]}


EXPECTED_READINGS = [(CAMERA, 1, "max"), (CAMERA, 1, "min"), (CAMERA, 1, "avg"), (RULES_CAMERA, 1, "point"),
                     (RULES_CAMERA, 2, "max"), (RULES_CAMERA, 2, "min"), (RULES_CAMERA, 2, "avg"),
                     (RULES_CAMERA, 3, "max"), (RULES_CAMERA, 3, "min"), (RULES_CAMERA, 3, "avg")]


def all_readings(samples):
    return all(value(samples, "orvane_thermometry_temperature_celsius", camera=c, channel=1, rule=r, reading=k)
               is not None for c, r, k in EXPECTED_READINGS)


def check_ended_cleanly(service, code, up, dropped=False):
    """The service ended with 0 after stopping the subscription of each of the `up`
    cameras logged in at the end and logging out; every subscription it ever
    started was stopped before the library's unload, and with no login `dropped`
    by a camera (never to be logged out), every login was ended too."""
    check(code == 0, f"exit code {code} after the signal: {service.lines[-5:]}")
    check(not any(PASSWORD in line for line in service.lines), "a log line holds the password")
    check(not any("runtime error:" in line or "Sanitizer" in line for line in service.lines),
          f"a sanitizer's report: {service.lines}")
    session = before_cleanup(trace_calls(service.trace))
    tail = [(c[1], c[3]) for c in session[-2 * up:]]
    check(up > 0 and tail == [("stop-remote-config", "1"), ("logout", "1")] * up, f"the last calls: {tail}")
    starts = sum(1 for c in session if c[1] == "start-remote-config" and int(c[3]) >= 0)
    stops = sum(1 for c in session if c[1] == "stop-remote-config" and c[3] == "1")
    check(starts == stops, f"{starts} subscriptions started, {stops} stopped")
    if not dropped:
        logins = sum(1 for c in session if c[1] == "login" and int(c[3]) >= 0)
        logouts = sum(1 for c in session if c[1] == "logout" and c[3] == "1")
        check(logins == logouts, f"{logins} logins, {logouts} logouts")


# OpenMetrics for a scraper that asks for it, read by Debian's Python client
# (the system's Python has it), and the exposition gzipped for one that takes it.
OPENMETRICS_READER = """
import sys
from prometheus_client.openmetrics.parser import text_string_to_metric_families
families = {f.name: f.type for f in text_string_to_metric_families(sys.stdin.read())}
print(" ".join(sorted(n + ":" + t for n, t in families.items())))
"""


def check_openmetrics(service):
    status, headers, body = service.get("/metrics", headers={
        "Accept": "application/openmetrics-text;version=1.0.0,text/plain;version=0.0.4;q=0.5",
        "Accept-Encoding": "gzip"})
    check(status == 200 and headers.get("Content-Type", "").startswith("application/openmetrics-text; version=1.0.0")
          and headers.get("Content-Encoding") == "gzip", f"OpenMetrics: {status} {headers}")
    text = gzip.decompress(body).decode("utf-8")
    check(text.endswith("# EOF\n"), f"OpenMetrics ends: {text[-40:]!r}")
    read = subprocess.run(["/usr/bin/python3", "-c", OPENMETRICS_READER], input=text, capture_output=True, text=True)
    families = dict(item.split(":") for item in read.stdout.split())
    check(read.returncode == 0 and families.get("orvane_camera_logins") == "counter" and
          families.get("orvane_poll_duration_seconds") == "histogram" and
          families.get("orvane_thermometry_state") == "gauge", f"OpenMetrics read: {read.stderr[-500:]} {families}")


# ---------------------------------------------------------------------------
# Two cameras and an unreachable address: every endpoint, then a clean end.
# The limits: 45 °C above by default, 20 for rule 2, none above but 100 below
# for rule 3 of channel 1: every reading of rules 2 and 3 is an alarm.
LIMITS = {1: (45, None), 2: (20, None), 3: (None, 100)}


def group_service():
    service = Service("service", [CAMERA, RULES_CAMERA, UNREACHABLE],
                      ["--alarm-above", f"{RULES_CAMERA}/2=20", "--alarm-above", f"{RULES_CAMERA}/1/3=none",
                       "--alarm-below", f"{RULES_CAMERA}/1/3=100"])
    samples = service.wait_for("every rule's readings and a refused login",
                               lambda s: all_readings(s) and refused(s,
                                                                    camera=UNREACHABLE))
    for camera, up in ((CAMERA, 1), (RULES_CAMERA, 1), (UNREACHABLE, 0)):
        check(value(samples, "orvane_camera_up", camera=camera) == up, f"{camera} up: {samples}")
    failures_7 = value(samples, "orvane_camera_login_failures_total", camera=UNREACHABLE, code=7)
    check(failures_7 is not None and failures_7 >= 1, f"no login failures with code 7: {samples}")
    for camera, rule, reading in EXPECTED_READINGS:
        celsius = value(samples, "orvane_thermometry_temperature_celsius", camera=camera, channel=1, rule=rule,
                        reading=reading)
        check(20 <= celsius <= 50, f"{camera} rule {rule} {reading}: {celsius} °C")
    check(not select(samples, "orvane_thermometry_temperature_celsius", camera=UNREACHABLE), "readings of a camera down")
    for camera in (CAMERA, RULES_CAMERA):
        check(state(samples, camera=camera, channel=1) == "running", f"{camera}: not running")
        stamp = value(samples, "orvane_thermometry_measurement_timestamp_seconds", camera=camera, channel=1, rule=1)
        check(stamp is not None and abs(stamp - time.time()) < 2 * 86400, f"{camera}: timestamp {stamp}")
    check(state(samples, camera=UNREACHABLE, channel=1) == "not_subscribed", "state of a camera down")
    build = select(samples, "orvane_build_info")
    check(len(build) == 1 and list(build.values()) == [1] and re.fullmatch(r"\d+(\.\d+)+", dict(*build)["version"]),
          f"build_info: {build}")
    check((value(samples, "process_resident_memory_bytes") or 0) > 0, "no resident memory")
    thresholds = {(dict(k)["camera"], int(dict(k)["rule"]), dict(k)["direction"]): v
                  for k, v in select(samples, "orvane_alarm_threshold_celsius", channel=1).items()}
    check(thresholds == {(CAMERA, 1, "above"): 45, (RULES_CAMERA, 1, "above"): 45, (RULES_CAMERA, 2, "above"): 20,
                         (RULES_CAMERA, 3, "below"): 100}, f"thresholds {thresholds}")
    info = {(dict(k)["camera"], dict(k)["rule"], dict(k)["type"], dict(k)["preset"])
            for k in select(samples, "orvane_thermometry_rule_info", channel=1)}
    check(info == {(CAMERA, "1", "line", "0"), (RULES_CAMERA, "1", "point", "0"), (RULES_CAMERA, "2", "box", "0"),
                   (RULES_CAMERA, "3", "line", "0")}, f"rule_info: {info}")
    check_openmetrics(service)
    before = select(samples, "orvane_thermometry_data_events_total")
    time.sleep(1.5)
    after = select(service.metrics(), "orvane_thermometry_data_events_total")
    check(all(after[k] >= before[k] for k in before) and after[frozenset({("camera", CAMERA), ("channel", "1")})] >
          before[frozenset({("camera", CAMERA), ("channel", "1")})], f"data events went back or stood: {before} {after}")

    status, headers, body = service.get("/api/cameras")
    cameras = json.loads(body)
    check(status == 200 and headers.get("Cache-Control") == "no-store", f"/api/cameras: {status} {headers}")
    check([c["camera"] for c in cameras["cameras"]] == [CAMERA, RULES_CAMERA, UNREACHABLE] and
          cameras["alarm_above_celsius"] == 45 and cameras["alarm_below_celsius"] is None, f"{cameras}")
    rules = cameras["cameras"][1]["channels"][0]["rules"]
    check([(r["rule"], r["type"]) for r in rules] == [(1, "point"), (2, "box"), (3, "line")], f"rules {rules}")
    check([(r["alarm_above_celsius"], r["alarm_below_celsius"]) for r in rules] == list(LIMITS.values()) and
          [r["alarm"] for r in rules][1:] == ["above", "below"] and
          (rules[0]["alarm"] == "above") == (rules[0]["point_celsius"] > 45), f"alarms {rules}")
    down = cameras["cameras"][2]
    check(not down["up"] and down["last_failure"]["code"] == 7 and down["channels"][0]["state"] == 0 and
          down["channels"][0]["health"] == "not logged in", f"camera down: {down}")

    status, _, body = service.get(f"/api/history?camera={RULES_CAMERA}")
    history = json.loads(body)
    check(status == 200 and [s["rule"] for s in history["series"]] == [1, 2, 3] and
          all(len(s["samples"]) >= 2 and all(len(x) == 5 for x in s["samples"]) for s in history["series"]),
          f"/api/history: {history}")
    for path, method, want, header in (("/healthz", "GET", 200, None), ("/metrics", "HEAD", 200, None),
                                       ("/", "GET", 200, "Content-Security-Policy"), ("/nothing", "GET", 404, None),
                                       ("/metrics", "POST", 405, "Allow"), ("/api/cameras", "PUT", 405, "Allow")):
        status, headers, body = service.get(path, method)
        check(status == want and (header is None or header in headers), f"{method} {path}: {status} {headers}")
        if method == "HEAD":
            check(body == b"" and int(headers.get("Content-Length", 0)) > 1000, f"HEAD: {headers} {body[:50]}")
        if path == "/healthz":
            check(body == b"ok\n", f"/healthz: {body}")

    check_ended_cleanly(service, service.stop(), 2)
    log = "\n".join(service.lines)
    check(re.search(rf"login to admin@{re.escape(UNREACHABLE)}:8000 failed: error 7: ", log) and
          "logged in to admin@192.0.2.66:8000" in log and "stopped" in log, f"log: {log}")


# ---------------------------------------------------------------------------
# Subscriptions the camera fails at once: restarted, with a growing pause, on
# the same login.
def group_restarts():
    service = Service("restarts", [CAMERA], ["--interval", "200ms"], {"HCNETSDK_STANDIN_STREAM": "failing"})
    channel = {"camera": CAMERA, "channel": 1}
    samples = service.wait_for("two restarts",
                               lambda s: (value(s, "orvane_thermometry_restarts_total", **channel) or 0) >= 2, 30)
    check(state(samples, **channel) in ("failing", "starting", "running") and
          value(samples, "orvane_camera_logins_total", camera=CAMERA) == 1 and
          value(samples, "orvane_thermometry_data_events_total", **channel) == 0, f"{samples}")
    # A pause after each restart that brought no data: 1 s, 2 s, 4 s, ... (not a restart every poll).
    time.sleep(3)
    restarts = value(service.metrics(), "orvane_thermometry_restarts_total", **channel)
    check(2 <= restarts <= 5, f"{restarts} restarts within about 4 s")
    _, _, body = service.get("/api/cameras")
    health = json.loads(body)["cameras"][0]["channels"][0]["health"]
    check(health in ("failing on the camera (error 23)", "starting", "running"), f"health {health!r}")
    check_ended_cleanly(service, service.stop(), 1)
    # One line for the change of state, however many restarts follow it.
    failing = [line for line in service.lines if "192.0.2.64 channel 1: failing on the camera (error 23)" in line]
    check(len(failing) == 1 and "restarting the subscription" in failing[0], f"restart lines: {service.lines}")


# ---------------------------------------------------------------------------
# A camera reboots, another goes off the network and comes back: each is logged
# in to again, its counters go on, and its readings are gone while it is down.
def control(folder, line, name):
    """Hands a line to the stand-in's control folder and waits until it was carried out."""
    path = os.path.join(folder, name)
    with open(path + ".tmp", "w", encoding="ascii") as f:
        f.write(line + "\n")
    os.rename(path + ".tmp", path + ".cmd")
    deadline = time.monotonic() + 20
    while os.path.exists(path + ".cmd") and time.monotonic() < deadline:
        time.sleep(0.05)
    check(not os.path.exists(path + ".cmd"), f"the stand-in did not carry out {line!r}")


def group_reboots():
    folder = os.path.join(args.work, "control")
    os.makedirs(folder)
    service = Service("reboots", [CAMERA, RULES_CAMERA], ["--interval", "200ms"], {"HCNETSDK_STANDIN_CONTROL": folder})
    rules = {"camera": RULES_CAMERA, "channel": 1}
    samples = service.wait_for("every rule's readings", all_readings)
    events = value(samples, "orvane_thermometry_data_events_total", **rules)
    control(folder, f"reboot {RULES_CAMERA}", "1-reboot")
    samples = service.wait_for("the login after the reboot and data again", lambda s: (
        value(s, "orvane_camera_logins_total", camera=RULES_CAMERA) == 2 and
        state(s, **rules) == "running" and
        value(s, "orvane_thermometry_data_events_total", **rules) > events + 5 and all_readings(s)))
    check(value(samples, "orvane_thermometry_restarts_total", **rules) >= 1 and
          value(samples, "orvane_camera_logins_total", camera=CAMERA) == 1, f"after the reboot: {samples}")

    control(folder, f"offline {CAMERA}", "2-offline")
    samples = service.wait_for("the camera down, refused with error 7", lambda s: (
        value(s, "orvane_camera_up", camera=CAMERA) == 0 and
        (value(s, "orvane_camera_login_failures_total", camera=CAMERA, code=7) or 0) >= 1))
    check(not select(samples, "orvane_thermometry_temperature_celsius", camera=CAMERA) and
          state(samples, camera=CAMERA, channel=1) == "not_subscribed" and
          value(samples, "orvane_camera_up", camera=RULES_CAMERA) == 1, f"while down: {samples}")
    down_events = value(samples, "orvane_thermometry_data_events_total", camera=CAMERA, channel=1)
    control(folder, f"online {CAMERA}", "3-online")
    # The next try comes after the pause, up to a few seconds here.
    samples = service.wait_for("the camera back", lambda s: (
        value(s, "orvane_camera_up", camera=CAMERA) == 1 and all_readings(s) and
        value(s, "orvane_thermometry_data_events_total", camera=CAMERA, channel=1) > down_events))
    check_ended_cleanly(service, service.stop(), 2, dropped=True)
    log = "\n".join(service.lines)
    print(log) if os.environ.get("ORVANE_SERVE_TEST_LOG") else None
    check(f"logged in again to admin@{RULES_CAMERA}:8000" in log and f"logged in again to admin@{CAMERA}:8000" in log,
          f"log: {log}")


# Cameras that reboot together: the SDK gives their dropped logins' user IDs to
# whichever camera logs in first, so a camera that has not yet noticed its own
# reboot holds a number that is another camera's now. Each must log in again
# and measure on its own, never report another camera's readings as its own.
def group_reused_ids():
    folder = os.path.join(args.work, "control")
    os.makedirs(folder)
    cameras = [f"192.0.2.{n}" for n in range(1, 21)]
    service = Service("reused_ids", cameras, ["--interval", "200ms"], {"HCNETSDK_STANDIN_CONTROL": folder})

    def readings(s, camera):
        return tuple(value(s, "orvane_thermometry_temperature_celsius", camera=camera, channel=1, rule=1, reading=k)
                     for k in ("max", "min", "avg"))

    def all_measuring(s, logins):
        return all(value(s, "orvane_camera_logins_total", camera=c) == logins and
                   state(s, camera=c, channel=1) == "running" and None not in readings(s, c)
                   for c in cameras)

    service.wait_for("every camera measuring", lambda s: all_measuring(s, 1))
    control(folder, "\n".join(f"reboot {c}" for c in cameras), "1-reboot-all")
    samples = service.wait_for("every camera logged in again once, and measuring", lambda s: all_measuring(s, 2))
    for _ in range(5):
        seen = {}
        for camera in cameras:
            other = seen.setdefault(readings(samples, camera), camera)
            check(other == camera, f"{camera} reports the readings of {other}: {readings(samples, camera)}")
        time.sleep(0.3)
        samples = service.metrics()
    check_ended_cleanly(service, service.stop(), len(cameras), dropped=True)


# The camera ends a stream and then sends nothing while the login stays: its
# readings leave /metrics at once (Prometheus marks them stale), the channel is
# silent after the silence limit, the age of its data grows across restarts,
# and /api/cameras keeps the last readings as stale with their age.
def group_silence():
    folder = os.path.join(args.work, "control")
    os.makedirs(folder)
    service = Service("silence", [CAMERA, RULES_CAMERA], ["--interval", "200ms"], {"HCNETSDK_STANDIN_CONTROL": folder})
    rules = {"camera": RULES_CAMERA, "channel": 1}
    service.wait_for("every rule's readings", all_readings)
    control(folder, f"silent {RULES_CAMERA} 1\nend {RULES_CAMERA} 1 10", "1-end")
    samples = service.wait_for("the ended stream's readings gone", lambda s: not select(
        s, "orvane_thermometry_temperature_celsius", camera=RULES_CAMERA))
    check(value(samples, "orvane_camera_up", camera=RULES_CAMERA) == 1 and
          select(samples, "orvane_thermometry_temperature_celsius", camera=CAMERA), f"after the end: {samples}")
    samples = service.wait_for("the channel silent", lambda s: state(s, **rules) == "silent", 30)
    age = value(samples, "orvane_thermometry_seconds_since_data", **rules)
    last = value(samples, "orvane_thermometry_last_data_timestamp_seconds", **rules)
    check(age is not None and age >= 10 and last is not None and abs(time.time() - age - last) < 3 and
          state(samples, camera=CAMERA, channel=1) == "running", f"silent: {samples}")
    time.sleep(2)
    later = service.metrics()
    check(value(later, "orvane_thermometry_seconds_since_data", **rules) >= age + 1.5 and
          value(later, "orvane_thermometry_restarts_total", **rules) >= 1 and
          not select(later, "orvane_thermometry_temperature_celsius", camera=RULES_CAMERA),
          f"the silence goes on over restarts: {later}")
    _, _, body = service.get("/api/cameras")
    channel = json.loads(body)["cameras"][1]["channels"][0]
    check(channel["state"] == 6 and channel["health"].startswith("silent: no data for ") and
          [r["rule"] for r in channel["rules"]] == [1, 2, 3] and
          all(not r["current"] and r["age_seconds"] >= 10 and r["alarm"] is None for r in channel["rules"]),
          f"/api/cameras while silent: {channel}")
    _, _, body = service.get(f"/api/history?camera={RULES_CAMERA}")
    samples_of_rule = json.loads(body)["series"][0]["samples"]
    check(samples_of_rule[-1][1:] == [None] * 4, f"the history ends in a gap: {samples_of_rule[-3:]}")
    # Streaming again: current readings, running, and the log told each change once.
    control(folder, f"stream {RULES_CAMERA} 1", "2-stream")
    service.wait_for("readings again", lambda s: all_readings(s) and state(s, **rules) == "running",
                     90)
    check_ended_cleanly(service, service.stop(), 2)
    silent_lines = [line for line in service.lines if f"{RULES_CAMERA} channel 1: silent" in line]
    check(len(silent_lines) == 1, f"one line for the silence: {service.lines}")


# A wrong password is tried once, then not again for the wrong-password pause
# (cameras lock accounts); a new password in the file is tried at once.
def group_password():
    password_file = os.path.join(args.work, "password")
    with open(password_file, "w", encoding="ascii") as f:
        f.write("not-the-password\n")
    service = Service("password", [CAMERA], ["--interval", "200ms", "--password-file", password_file])
    time.sleep(8)
    samples = service.metrics()
    check(value(samples, "orvane_camera_login_failures_total", camera=CAMERA, code=1) == 1 and
          value(samples, "orvane_camera_state", camera=CAMERA, state="wrong_password") == 1 and
          value(samples, "orvane_camera_state", camera=CAMERA, state="up") == 0, f"a wrong password: {samples}")
    with open(password_file + ".tmp", "w", encoding="ascii") as f:
        f.write(PASSWORD + "\n")
    os.replace(password_file + ".tmp", password_file)
    samples = service.wait_for("the new password tried at once",
                               lambda s: value(s, "orvane_camera_up", camera=CAMERA) == 1, 10)
    check(value(samples, "orvane_camera_login_failures_total", camera=CAMERA, code=1) == 1, f"{samples}")
    check_ended_cleanly(service, service.stop(), 1)
    refused = [line for line in service.lines if "error 1:" in line]
    check(len(refused) == 1 and "trying again in 600 s" in refused[0], f"the wrong password's line: {service.lines}")


# ---------------------------------------------------------------------------
# Clients that misbehave: each case runs while the service keeps answering scrapes.
def raw_exchange(port, data, timeout=15):
    """Sends `data` and returns what came back until the service closed the connection."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        try:
            s.sendall(data)
        except OSError:
            pass  # the service may close before reading it all
        got = b""
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                got += chunk
        except OSError:
            pass
        return got


def scrape_answers(service, what):
    started = time.monotonic()
    try:
        samples = service.metrics(timeout=10)
        check(value(samples, "orvane_camera_up", camera=CAMERA) is not None, f"during {what}: scrape without camera")
    except OSError as error:
        check(False, f"during {what}: scrape failed: {error}")
    # A generous bound: the point is that the case did not hold the scrape up for its own length.
    check(time.monotonic() - started < 5, f"during {what}: scrape took {time.monotonic() - started:.1f} s")


def slow_client(port, result):
    """Sends a request one byte a second until the service cuts it off."""
    request = b"GET /metrics HTTP/1.1\r\nHost: x\r\nX-Slow: " + b"a" * 100
    started = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=40) as s:
        try:
            for byte in request:
                s.sendall(bytes([byte]))
                time.sleep(1)
                if time.monotonic() - started > 40:
                    break
            result["closed_after"] = None
        except OSError:
            result["closed_after"] = time.monotonic() - started
        if result.get("closed_after") is None:
            try:
                result["closed_after"] = time.monotonic() - started if s.recv(100) == b"" else None
            except OSError:
                result["closed_after"] = time.monotonic() - started


def group_bad_requests():
    service = Service("bad", [CAMERA])
    service.wait_for("the camera's readings", lambda s: value(s, "orvane_camera_up", camera=CAMERA) == 1)
    rss_before = value(service.metrics(), "process_resident_memory_bytes")

    slow = {}
    slow_thread = threading.Thread(target=slow_client, args=(service.port, slow), daemon=True)
    slow_thread.start()
    time.sleep(2)
    scrape_answers(service, "a client sending one byte a second")

    cases = [
        # (Closed with most of the URL unread, the connection may be reset before the answer is read.)
        ("a 100 KB URL", b"GET /" + b"a" * 100000 + b" HTTP/1.1\r\nHost: x\r\n\r\n", (b"431", b"400", b"")),
        ("a huge header", b"GET /metrics HTTP/1.1\r\nHost: x\r\nX-Big: " + b"a" * 20000 + b"\r\n\r\n", (b"431",)),
        ("a malformed request line", b"GARBAGE\r\n\r\n", (b"400",)),
        ("a request line without a version", b"GET /metrics\r\n\r\n", (b"400",)),
        ("a binary request", bytes(range(256)) * 4, (b"400",)),
        ("a request body", b"POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello", (b"400", b"405")),
        ("a chunked request body", b"GET /metrics HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
         (b"400",)),
    ]
    for what, data, statuses in cases:
        got = raw_exchange(service.port, data)
        status_line = got.split(b"\r\n", 1)[0]
        check(any(status_line.startswith(b"HTTP/1.1 " + s) if s else got == b"" for s in statuses),
              f"{what}: answered {status_line!r}")
        scrape_answers(service, what)

    held = []
    try:
        for _ in range(200):
            held.append(socket.create_connection(("127.0.0.1", service.port), timeout=10))
        held[0].sendall(b"GET /metr")  # and one of them with half a request
        scrape_answers(service, "200 connections held open")
    except OSError as error:
        check(False, f"opening 200 connections: {error} after {len(held)}")
    finally:
        for s in held:
            s.close()

    # Keep-alive: two requests on one connection.
    connection = http.client.HTTPConnection("127.0.0.1", service.port, timeout=10)
    for path in ("/healthz", "/metrics"):
        connection.request("GET", path)
        response = connection.getresponse()
        response.read()
        check(response.status == 200, f"kept-alive {path}: {response.status}")
    connection.close()

    slow_thread.join(timeout=45)
    closed = slow.get("closed_after")
    check(closed is not None and closed < 30, f"the slow client was not cut off: {slow}")
    scrape_answers(service, "after the bad requests")
    rss_after = value(service.metrics(), "process_resident_memory_bytes")
    check(rss_after < rss_before + 32 * 2**20, f"resident memory grew from {rss_before} to {rss_after}")
    check_ended_cleanly(service, service.stop(), 1)


# ---------------------------------------------------------------------------
# Clients that would take the service away from Prometheus, from addresses of
# their own (Linux loopback takes any 127/8 source): while each flood goes on,
# every scrape from 127.0.0.1 is answered.
class Flood:
    """`count` connections from each of `sources`, kept up by one thread. Each
    sends `request` whole, or a byte per round (`trickle`); an unread one
    (`unread`) takes its answer into a small window and is left as it is, any
    other is opened again as soon as the service closes it."""

    def __init__(self, port, sources, count, request=b"", trickle=False, unread=False, pace=0):
        self.port, self.request, self.trickle, self.unread = port, request, trickle, unread
        self.stopping = threading.Event()
        self.selector = selectors.DefaultSelector()
        self.sockets = []
        for source in sources:
            for _ in range(count):
                self._open(source)
                time.sleep(pace)
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _open(self, source):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        if self.unread:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_MAXSEG, 1000)
        s.settimeout(5)
        try:
            s.bind((source, 0))
            s.connect(("127.0.0.1", self.port))
            if not self.trickle:
                s.sendall(self.request)
        except OSError:
            s.close()
            return
        s.setblocking(False)
        self.sockets.append(s)
        if not self.unread:
            self.selector.register(s, selectors.EVENT_READ, [source, 0])

    def _run(self):
        while not self.stopping.is_set():
            for key, _ in self.selector.select(timeout=0.3):
                try:
                    if key.fileobj.recv(65536):
                        continue
                except BlockingIOError:
                    continue
                except OSError:
                    pass
                self._reopen(key)
            if self.trickle:
                for key in list(self.selector.get_map().values()):
                    sent = key.data[1]
                    try:
                        key.fileobj.send(self.request[sent:sent + 1])
                        key.data[1] = sent + 1
                    except BlockingIOError:
                        pass
                    except OSError:
                        self._reopen(key)

    def _reopen(self, key):
        self.selector.unregister(key.fileobj)
        key.fileobj.close()
        self.sockets.remove(key.fileobj)
        self._open(key.data[0])

    def stop(self):
        self.stopping.set()
        self.thread.join(timeout=10)
        for s in self.sockets:
            s.close()


def group_hostile_clients():
    # Two cameras of 255 rules each (rule IDs go up to 255): a camera's history is the largest document.
    folder = os.path.join(args.work, "control")
    os.makedirs(folder)
    cameras = ["192.0.2.10", "192.0.2.11"]
    for n, camera in enumerate(cameras):
        with open(os.path.join(folder, f"{n}-rules.cmd"), "w", encoding="ascii") as f:
            f.write(f"rules {camera} 1 " + " ".join(["box"] * 255) + "\n")
    # AddressSanitizer's quarantine of freed memory (256 MB by default) would count as the service's own.
    asan = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "quarantine_size_mb=4"]))
    service = Service("hostile", cameras, ["--interval", "100ms"],
                      {"HCNETSDK_STANDIN_CONTROL": folder, "ASAN_OPTIONS": asan})
    history = [f"/api/history?camera={camera}" for camera in cameras]
    deadline = time.monotonic() + 90
    while len(service.get(history[0])[2]) < 3 * 2**20 and time.monotonic() < deadline:
        time.sleep(1)
    size = len(service.get(history[0])[2])
    check(size >= 3 * 2**20, f"the history reached only {size} bytes")

    def scrapes(what):
        """Twenty scrapes in a row, each answered; the largest resident memory they report."""
        most = 0
        for _ in range(20):
            try:
                status, _, body = service.get("/metrics", timeout=30)
            except OSError as error:
                check(False, f"during {what}: a scrape failed: {error!r}")
                continue
            check(status == 200, f"during {what}: a scrape answered {status}")
            found = re.search(rb"^process_resident_memory_bytes (\S+)$", body, re.M)
            most = max(most, float(found.group(1)) if found else 0)
        return most

    resident = scrapes("nothing")
    history_request = [f"GET {path} HTTP/1.1\r\nHost: x\r\n\r\n".encode() for path in history]
    floods = [
        ("idle connections beyond the caps, from 127.0.0.1 too",
         lambda: [Flood(service.port, ["127.0.0.1"], 100),
                  Flood(service.port, [f"127.0.0.{n}" for n in range(2, 10)], 70)]),
        ("half-sent requests beyond all connections, from one address",
         lambda: [Flood(service.port, ["127.0.0.2"], 600, b"GET /metrics HTTP/1.1\r\nX: " + b"a" * 200,
                        trickle=True)]),
        ("80 clients who ask for a history and never read",
         lambda: [Flood(service.port, ["127.0.0.3"], 40, history_request[0], unread=True, pace=0.05),
                  Flood(service.port, ["127.0.0.4"], 40, history_request[1], unread=True, pace=0.05)]),
    ]
    for what, start in floods:
        running = start()
        time.sleep(1)
        most = scrapes(what)
        for flood in running:
            flood.stop()
        # The service's own bodies in flight stay within their 64 MiB.
        check(most < resident + args.memory_factor * 96 * 2**20, f"during {what}: resident memory {most}, {resident} before")

    got = raw_exchange(service.port, b"POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello")
    check(got.startswith(b"HTTP/1.1 405") and b"\r\nAllow: GET, HEAD\r\n" in got, f"a POST with a body: {got!r}")
    with socket.create_connection(("127.0.0.1", service.port), timeout=10) as silent:
        try:
            closed = silent.recv(100) == b""
        except OSError as error:
            closed = not isinstance(error, socket.timeout)
    check(closed, "a connection that sent nothing was still open after 10 s")
    check_ended_cleanly(service, service.stop(), 2)


# Standard error's reader goes away: the next log lines fail, are counted,
# and the service goes on to answer and to end cleanly.
def group_broken_log():
    folder = os.path.join(args.work, "control")
    os.makedirs(folder)
    service = Service("broken_log", [CAMERA], ["--interval", "200ms"], {"HCNETSDK_STANDIN_CONTROL": folder},
                      read_log=False)
    service.reader.join(timeout=10)
    reading = {"camera": CAMERA, "channel": 1, "rule": 1, "reading": "max"}
    service.wait_for("the readings", lambda s: value(s, "orvane_thermometry_temperature_celsius", **reading))
    service.process.stderr.close()  # standard error's reader is gone
    control(folder, f"reboot {CAMERA}", "1-reboot")  # a log line for each change it goes through
    samples = service.wait_for("failed log lines counted and the camera back", lambda s: (
        (value(s, "orvane_log_write_failures_total") or 0) >= 1 and
        value(s, "orvane_camera_logins_total", camera=CAMERA) == 2 and
        value(s, "orvane_thermometry_temperature_celsius", **reading)))
    check(service.process.poll() is None, f"the service ended: {service.process.returncode}")
    code = service.stop()
    check(code == 0, f"exit code {code} after the signal")
    calls = [c[1] for c in trace_calls(service.trace)]
    check(calls.count("logout") >= 1 and "stop-remote-config" in calls, f"no clean stop: {calls[-6:]}")


# The log for a collector: every line of --log.format json one JSON object
# with a time, level and message, and the camera and channel where there is
# one; --log.level leaves out what is below it.
def group_log_formats():
    service = Service("json", [CAMERA, UNREACHABLE], ["--log.format", "json", "--log.level", "debug"])
    service.wait_for("a refused login", lambda s: refused(s, camera=UNREACHABLE))
    check_ended_cleanly(service, service.stop(), 1)
    events = []
    for line in service.lines:
        try:
            events.append(json.loads(line))
        except ValueError:
            check(False, f"not a JSON line: {line!r}")
    check(all(isinstance(e, dict) and re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z", e.get("time", ""))
              and e.get("level") in ("debug", "info", "warn", "error") and e.get("msg") for e in events),
          f"an event without its time, level or message: {events}")
    about = {(e["level"], e.get("camera"), e.get("channel")) for e in events}
    check({("debug", UNREACHABLE, None), ("info", CAMERA, 1), ("warn", UNREACHABLE, None), ("info", None, None)}
          <= about, f"events: {about}")

    # --quiet: warnings and errors only.
    service = Service("logfmt", [CAMERA, UNREACHABLE], ["--log.format", "logfmt", "--quiet"])
    service.wait_for("a refused login", lambda s: refused(s, camera=UNREACHABLE))
    service.stop()
    # The line that says where it listens is written whatever the level.
    levels = [re.match(r"time=\S+Z level=(\w+) msg=", line) for line in service.lines if "listening on" not in line]
    check(levels and all(levels) and {m.group(1) for m in levels} == {"warn"}, f"logfmt lines: {service.lines}")

    # A port it cannot listen on: exit 1, and --json reports that failure alone.
    with socket.socket() as taken:
        taken.bind(("127.0.0.1", 0))
        taken.listen()
        runner = [args.emulator] if args.emulator else []
        ended = subprocess.run(runner + [args.orvane, "--json", "serve", "-a", CAMERA, "--listen",
                                         f"127.0.0.1:{taken.getsockname()[1]}"], cwd=args.work, timeout=120,
                               env=dict(os.environ, ORVANE_PASSWORD=PASSWORD), capture_output=True)
    result = json.loads(ended.stdout.decode("utf-8") or "{}")
    check(ended.returncode == 1 and result.get("exit_code") == 1 and "error" in result and
          not any(key.startswith("failure_") for key in result), f"--json serve on a taken port: {result}")


# ---------------------------------------------------------------------------
# The camera list in a --config file: the monitoring guide's example as it
# ships, then a file rewritten while the service runs (one camera kept, one
# removed, one changed, one added) and read again on SIGHUP, or under wine,
# which has no SIGHUP, on its change; then a broken file, refused.
SITE_TOML = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "monitoring", "site.toml")


def write_config(path, text):
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def group_config():
    # The command line's --listen wins over the file's.
    site = Service("site", [], ["--config", SITE_TOML])
    site_cameras = ("192.0.2.64", "192.0.2.66", "198.51.100.20")
    samples = site.wait_for("the example's cameras and limits", lambda s: all(
        value(s, "orvane_camera_up", camera=c) == 1 for c in site_cameras) and value(
        s, "orvane_alarm_threshold_celsius", camera="192.0.2.66", channel=1, rule=2, direction="above") == 80)
    check(value(samples, "orvane_config_last_reload_successful") == 1, f"the example's file: {samples}")
    check_ended_cleanly(site, site.stop(), 3)

    kept, removed, changed, added = "192.0.2.64", "192.0.2.66", "198.51.100.20", "203.0.113.5"
    path = os.path.join(args.work, "cameras.toml")
    password_file = os.path.join(args.work, "password")
    write_config(password_file, PASSWORD + "\n")
    write_config(path, f'interval = "200ms"\nalarm-above = 45\n' + "".join(
        f'[[camera]]\naddress = "{c}"\n' for c in (kept, removed, changed)))
    service = Service("config", [], ["--config", path])
    def measuring(s, cameras):
        return all(select(s, "orvane_thermometry_temperature_celsius", camera=c) for c in cameras)

    samples = service.wait_for("three cameras measuring", lambda s: measuring(s, (kept, removed, changed)))
    stamp = value(samples, "orvane_config_last_reload_success_timestamp_seconds")
    history = len(json.loads(service.get(f"/api/history?camera={kept}")[2])["series"][0]["samples"])

    # Clients read every document while the cameras change (ThreadSanitizer watches the service).
    reading = threading.Event()

    def read_all():
        while not reading.is_set():
            for document in ("/metrics", "/api/cameras", "/api/history", f"/api/history?camera={removed}"):
                check(service.get(document)[0] == 200, f"{document} while the cameras change")

    reader = threading.Thread(target=read_all, daemon=True)
    reader.start()
    # The changed camera now reads a password file of its own: logged in to again.
    write_config(path, 'interval = "200ms"\nalarm-above = 30\n' + "".join(
        f'[[camera]]\naddress = "{c}"\n' for c in (kept, added)) +
        f'[[camera]]\naddress = "{changed}"\npassword_file = "{password_file}"\n')
    if not args.emulator:
        service.process.send_signal(signal.SIGHUP)
    samples = service.wait_for("the new list watched", lambda s: (
        value(s, "orvane_config_last_reload_success_timestamp_seconds") > stamp and
        value(s, "orvane_camera_up", camera=removed) is None and measuring(s, (kept, changed, added))))
    reading.set()
    reader.join(timeout=30)
    check(value(samples, "orvane_config_last_reload_successful") == 1 and
          value(samples, "orvane_camera_logins_total", camera=kept) == 1 and
          value(samples, "orvane_thermometry_restarts_total", camera=kept, channel=1) == 0 and
          value(samples, "orvane_alarm_threshold_celsius", camera=kept, channel=1, rule=1, direction="above") == 30,
          f"after the reload: {samples}")
    _, _, body = service.get("/api/cameras")
    check([c["camera"] for c in json.loads(body)["cameras"]] == [kept, added, changed], f"/api/cameras: {body[:300]}")
    _, _, body = service.get("/api/history")
    series = json.loads(body)["series"]
    check(removed not in {s["camera"] for s in series} and
          len(next(s for s in series if s["camera"] == kept)["samples"]) > history, "the history after the reload")
    # The log names each login's user ID; the trace has every login and logout, in order.
    logins = [(m.group(1), int(m.group(2))) for m in (
        re.search(r"logged in (?:again )?to admin@([\d.]+):8000 \(user ID (\d+)\)", line) for line in service.lines)
        if m]
    ids = {c: [i for a, i in logins if a == c] for c in (kept, removed, changed, added)}
    check({c: len(i) for c, i in ids.items()} == {kept: 1, removed: 1, changed: 2, added: 1}, f"logins: {logins}")
    calls = trace_calls(service.trace)
    logouts = [int(c[5]) for c in calls if c[1] == "logout" and c[3] == "1"]
    check(sorted(logouts) == sorted([ids[removed][0], ids[changed][0]]), f"logouts {logouts}, logins {logins}")
    # The changed camera's old login ended before its new one began.
    order = [("login", int(c[3])) if c[1] == "login" else ("logout", int(c[5])) for c in calls
             if c[1] in ("login", "logout") and int(c[3]) >= 0]
    check(order.index(("logout", ids[changed][0])) < len(order) - 1 - order[::-1].index(("login", ids[changed][1])),
          f"the changed camera's calls: {order}")

    # A broken file: refused with its line, the cameras watched as they were.
    write_config(path, 'interval = "200ms"\n[[camera]\naddress = "192.0.2.9"\n')
    if not args.emulator:
        service.process.send_signal(signal.SIGHUP)
    samples = service.wait_for("the broken file refused",
                               lambda s: value(s, "orvane_config_last_reload_successful") == 0)
    check(all(value(samples, "orvane_camera_up", camera=c) == 1 for c in (kept, changed, added)) and
          value(samples, "orvane_camera_up", camera="192.0.2.9") is None and
          value(samples, "orvane_camera_logins_total", camera=kept) == 1, f"after the broken file: {samples}")
    check(any(re.search(r"reading \S*cameras\.toml again failed: \S*cameras\.toml:2:\d+: .*the configuration in use "
                        r"stays", line) for line in service.lines), f"the refusal's line: {service.lines[-5:]}")
    check_ended_cleanly(service, service.stop(), 3)


GROUPS = {"service": group_service, "restarts": group_restarts, "reboots": group_reboots,
          "reused_ids": group_reused_ids, "silence": group_silence, "password": group_password,
          "bad_requests": group_bad_requests, "hostile_clients": group_hostile_clients,
          "log_formats": group_log_formats,
          "broken_log": group_broken_log, "config": group_config}


def main():
    global args
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--memory-factor", type=float, default=1,
                        help="how many bytes of resident memory a byte the service holds may cost")
    parser.add_argument("group", choices=sorted(GROUPS))
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    GROUPS[args.group]()
    return report("all checks passed")


if __name__ == "__main__":
    sys.exit(main())
