#!/usr/bin/env python3
"""orvane serve as a real Prometheus sees it, over the simulated cameras.

    prometheus_scrape_test.py check-metrics ORVANE PROMTOOL WORKDIR
        one live scrape of /metrics passes `promtool check metrics`
    prometheus_scrape_test.py prometheus ORVANE PROMETHEUS WORKDIR
        a Prometheus server of its own scrapes the service every second; its
        query API shows every series in the simulator's range, and each max or
        point reading beside its alarm limit as the alert rule joins them; a camera
        rebooted through the stand-in's control folder is logged in to again,
        its subscription's restart counted and its data resumes; a camera taken
        offline is down with its login failures counted until it is back

Everything listens on loopback ports the system picks; every wait is bounded;
every process started is ended on the way out.
"""
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import types
import urllib.parse
import urllib.request

CAMERAS = ("192.0.2.64", "192.0.2.66")
# (camera, rule, reading) of every temperature series: 192.0.2.66 measures a
# point, a box and a line; 192.0.2.64 one line rule.
TEMPERATURES = {("192.0.2.64", "1", r) for r in ("max", "min", "avg")} | {("192.0.2.66", "1", "point")} | {
    ("192.0.2.66", rule, r) for rule in ("2", "3") for r in ("max", "min", "avg")}
LOW, HIGH = 20.0, 50.0  # the simulator's readings, in degrees Celsius
WAIT = 30  # seconds, for anything that should happen within a few


def fail(message):
    raise AssertionError(message)


def wait_for(what, check, limit=WAIT):
    """Calls check() until it returns a true value, for at most `limit` seconds."""
    deadline = time.monotonic() + limit
    last = None
    while time.monotonic() < deadline:
        try:
            last = check()
            if last:
                return last
        except (OSError, ValueError, KeyError) as error:  # not up yet
            last = error
        time.sleep(0.2)
    fail("timed out after %d s waiting for %s (last: %r)" % (limit, what, last))


def get(url, timeout=5):
    with urllib.request.urlopen(url, timeout=timeout) as response:
        return response.read().decode("utf-8")


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Processes:
    """The processes the test started; all ended on the way out."""

    def __init__(self):
        self.started = []

    def start(self, args, **options):
        process = subprocess.Popen(args, stdin=subprocess.DEVNULL, **options)
        self.started.append(process)
        return process

    def end_all(self):
        for process in self.started:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
        for process in self.started:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


class Service:
    """orvane serve over simulated cameras (with `extra` options), on a port it picks."""

    def __init__(self, processes, orvane, workdir, cameras=CAMERAS, extra=()):
        self.control = os.path.join(workdir, "control")
        os.makedirs(self.control)
        environment = dict(os.environ, ORVANE_PASSWORD="orvane-demo", HCNETSDK_STANDIN_CONTROL=self.control)
        arguments = [orvane, "serve", "--listen", "127.0.0.1:0", "--interval", "1s", *extra]
        for camera in cameras:
            arguments += ["-a", camera]
        self.process = processes.start(arguments, env=environment, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE, text=True, errors="replace")
        self.log = []
        self.port = None
        listening = threading.Event()

        def read_log():
            for line in self.process.stderr:
                self.log.append(line.rstrip("\n"))
                if self.port is None and line.startswith("listening on http://127.0.0.1:"):
                    self.port = int(line.split(":")[2].split("/")[0])
                    listening.set()
            listening.set()

        self.reader = threading.Thread(target=read_log, daemon=True)
        self.reader.start()
        if not listening.wait(WAIT) or self.port is None:
            fail("orvane serve did not say where it listens:\n" + "\n".join(self.log))
        self.url = "http://127.0.0.1:%d" % self.port

    def command(self, name, text):
        """Drops a command file for the stand-in and waits until it was carried out."""
        temporary = os.path.join(self.control, name + ".tmp")
        with open(temporary, "w") as file:
            file.write(text + "\n")
        final = os.path.join(self.control, name + ".cmd")
        os.rename(temporary, final)
        wait_for("the stand-in to carry out %r" % text, lambda: not os.path.exists(final))


def scenario_main(usage, run, passed):
    """The driver of a scenario over the shipped files, run as
    `SCRIPT ORVANE PROMETHEUS SOURCE WORKDIR`: run(args, processes, services) in
    an empty WORKDIR, every process ended whatever happens, each service's log
    shown on a failure and a sanitizer's report in it failing the run; `passed`
    is printed with the seconds the run took."""
    if len(sys.argv) != 5:
        sys.exit(usage)
    args = types.SimpleNamespace(**dict(zip(("orvane", "prometheus", "source", "work"), sys.argv[1:])))
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    processes = Processes()
    services = []
    began = time.monotonic()
    try:
        run(args, processes, services)
        processes.end_all()
        for service in services:
            service.reader.join(timeout=30)
            if any("Sanitizer" in line or "runtime error:" in line for line in service.log):
                fail("a sanitizer's report")
    except (AssertionError, subprocess.SubprocessError, OSError) as error:
        for service in services:
            print("orvane serve's log:\n" + "\n".join(service.log), file=sys.stderr)
        sys.exit("FAILED: %s" % error)
    finally:
        processes.end_all()
    shutil.rmtree(args.work, ignore_errors=True)
    print("%s: passed in %.0f s" % (passed, time.monotonic() - began))


def check_metrics(orvane, promtool, workdir):
    processes = Processes()
    try:
        service = Service(processes, orvane, workdir)
        # Once data has arrived, so that every family has its series.
        text = wait_for("readings in /metrics",
                        lambda: (lambda t: 'reading="point"' in t and t)(get(service.url + "/metrics")))
        checked = subprocess.run([promtool, "check", "metrics"], input=text, capture_output=True, text=True,
                                 timeout=WAIT)
        if checked.returncode != 0:
            fail("promtool check metrics:\n%s%s" % (checked.stdout, checked.stderr))
        print("promtool check metrics: passed on a scrape of %d bytes" % len(text))
    finally:
        processes.end_all()


class Prometheus:
    def __init__(self, processes, prometheus, workdir, target):
        port = free_port()
        self.url = "http://127.0.0.1:%d" % port
        config = os.path.join(workdir, "prometheus.yml")
        with open(config, "w") as file:
            file.write("global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n  evaluation_interval: 1s\n"
                       "scrape_configs:\n  - job_name: orvane\n    static_configs:\n"
                       "      - targets: ['%s']\n" % target)
        self.log = open(os.path.join(workdir, "prometheus.log"), "w")
        self.process = processes.start(
            [prometheus, "--config.file=" + config, "--storage.tsdb.path=" + os.path.join(workdir, "data"),
             "--web.listen-address=127.0.0.1:%d" % port],
            stdout=self.log, stderr=subprocess.STDOUT)
        wait_for("Prometheus to be ready", lambda: self.process.poll() is None and get(self.url + "/-/ready"))

    def query(self, expression):
        """{labels as a frozenset of items: value} of an instant query."""
        answer = json.loads(get(self.url + "/api/v1/query?" + urllib.parse.urlencode({"query": expression})))
        if answer.get("status") != "success":
            fail("query %s: %s" % (expression, answer))
        return {frozenset(item["metric"].items()): float(item["value"][1]) for item in answer["data"]["result"]}

    def value(self, expression):
        """The value of a query that has one series, or None."""
        result = self.query(expression)
        return next(iter(result.values())) if len(result) == 1 else None


class DocPrometheus(Prometheus):
    """Prometheus with the configuration file `config` in `folder`, as a person would run it."""

    def __init__(self, processes, program, folder, config="prometheus.yml"):
        port = free_port()
        self.address = "127.0.0.1:%d" % port
        self.url = "http://" + self.address
        self.log = open(os.path.join(folder, "prometheus.log"), "w")
        self.process = processes.start(
            [program, "--config.file=" + os.path.join(folder, config),
             "--storage.tsdb.path=" + os.path.join(folder, "data"), "--web.listen-address=" + self.address],
            stdout=self.log, stderr=subprocess.STDOUT)
        wait_for("Prometheus to be ready", lambda: self.process.poll() is None and get(self.url + "/-/ready"))


def check_prometheus(orvane, prometheus_program, workdir):
    processes = Processes()
    service = None
    try:
        service = Service(processes, orvane, workdir)
        prometheus = Prometheus(processes, prometheus_program, workdir, "127.0.0.1:%d" % service.port)

        # Every series, scraped, with the simulator's values.
        wait_for("the target to be up", lambda: prometheus.value('up{job="orvane"}') == 1)

        def temperatures():
            found = {(dict(k)["camera"], dict(k)["rule"], dict(k)["reading"]): v
                     for k, v in prometheus.query("orvane_thermometry_temperature_celsius").items()}
            return found if set(found) == TEMPERATURES else None

        readings = wait_for("every temperature series", temperatures)
        for series, value in sorted(readings.items()):
            if not LOW <= value <= HIGH:
                fail("%s reads %.2f, outside %g to %g" % (series, value, LOW, HIGH))
        for camera in CAMERAS:
            for selector, expected in (('orvane_camera_up{camera="%s"}', 1),
                                       ('orvane_camera_logins_total{camera="%s"}', 1),
                                       ('orvane_thermometry_state{camera="%s",state="running"}', 1)):
                value = prometheus.value(selector % camera)
                if value != expected:
                    fail("%s is %s, not %s" % (selector % camera, value, expected))
            wait_for("data from %s" % camera,
                     lambda: prometheus.value('orvane_thermometry_data_events_total{camera="%s"}' % camera))
        stamps = prometheus.query("orvane_thermometry_measurement_timestamp_seconds")
        if len(stamps) != 4 or any(abs(stamp - time.time()) > 300 for stamp in stamps.values()):
            fail("measurement times are not those of the last minutes: %s" % stamps)
        mean_poll = prometheus.value("orvane_poll_duration_seconds_sum / orvane_poll_duration_seconds_count")
        if not mean_poll or not 0 < mean_poll < 1:
            fail("mean poll duration: %s" % mean_poll)
        print("Prometheus sees %d temperature series, all between %g and %g" % (len(readings), LOW, HIGH))
        # Each max or point reading finds its limit as the alert rule joins them: 45 °C unless given.
        joined = prometheus.query('orvane_thermometry_temperature_celsius{reading=~"max|point"} - on '
                                  '(instance, camera, channel, rule) group_left '
                                  'orvane_alarm_threshold_celsius{direction="above"}')
        limits = prometheus.query('orvane_alarm_threshold_celsius')
        if len(joined) != 4 or sorted(limits.values()) != [45] * 4:
            fail("readings joined with their limits: %s; limits: %s" % (joined, limits))

        # A reboot: the login dropped and made again, the subscription's restart
        # counted, and new data.
        camera = '{camera="192.0.2.64"}'
        before = prometheus.value("orvane_thermometry_data_events_total" + camera)
        service.command("reboot", "reboot 192.0.2.64")
        wait_for("the re-login to be counted", lambda: prometheus.value("orvane_camera_logins_total" + camera) == 2)
        wait_for("the restart to be counted",
                 lambda: prometheus.value("orvane_thermometry_restarts_total" + camera) == 1)
        rebooted = prometheus.value("orvane_thermometry_data_events_total" + camera)
        wait_for("data after the reboot",
                 lambda: prometheus.value("orvane_thermometry_data_events_total" + camera) > rebooted + 5)
        if rebooted < before:
            fail("the data counter went back across the reboot: %s, then %s" % (before, rebooted))
        wait_for("the rebooted camera's readings",
                 lambda: len(prometheus.query("orvane_thermometry_temperature_celsius" + camera)) == 3)
        if not any("again" in line and "192.0.2.64" in line for line in service.log):
            fail("no re-login in the service's log:\n" + "\n".join(service.log))
        print("after a reboot: logged in again, restart counted, data resumed")

        # Off the network: down, refusals counted by their code, readings gone;
        # then back.
        camera = '{camera="192.0.2.66"}'
        service.command("offline", "offline 192.0.2.66")
        wait_for("the camera to be down", lambda: prometheus.value("orvane_camera_up" + camera) == 0)
        wait_for("refusals with error 7", lambda: prometheus.value(
            'orvane_camera_login_failures_total{camera="192.0.2.66",code="7"}'))
        wait_for("its readings to go", lambda: not prometheus.query("orvane_thermometry_temperature_celsius" + camera))
        if prometheus.value('orvane_camera_up{camera="192.0.2.64"}') != 1:
            fail("the other camera went down too")
        service.command("online", "online 192.0.2.66")
        wait_for("the camera to be back", lambda: prometheus.value("orvane_camera_up" + camera) == 1, limit=90)
        wait_for("its readings to be back",
                 lambda: len(prometheus.query("orvane_thermometry_temperature_celsius" + camera)) == 7)
        print("offline and back: down, refusals counted, readings dropped and back")
    except AssertionError:
        if service is not None:
            print("orvane serve's log:\n" + "\n".join(service.log), file=sys.stderr)
        raise
    finally:
        processes.end_all()


def main():
    if len(sys.argv) != 5 or sys.argv[1] not in ("check-metrics", "prometheus"):
        sys.exit(__doc__)
    mode, orvane, program, workdir = sys.argv[1:]
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    try:
        (check_metrics if mode == "check-metrics" else check_prometheus)(orvane, program, workdir)
    except AssertionError as error:
        sys.exit("FAILED: %s" % error)
    shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    main()
