#!/usr/bin/env python3
"""orvane serve at the scale of a site: 750 simulated cameras polled every second.

Measures, each beside its floor from the same run:
  - a /metrics scrape of all cameras (median, p99, size), plain and as
    Prometheus asks for it (OpenMetrics, gzip), beside the same scrapes of a
    one-camera service and the /healthz round trip of the same service (the
    HTTP and client cost alone);
  - the service's CPU per camera beside the one-camera service's CPU;
  - one poll of every camera (orvane_poll_duration_seconds' mean between two scrapes, the library calls
    Read, ReadRule and Status) beside one camera's poll;
  - the service's resident memory over time, with cameras rebooted through the
    stand-in's control folder;
  - after that soak (the 10-minute history full): the scrape, the memory and the
    whole /api/history document (its size and time, the service's memory after
    it), beside the same figures of the one-camera service;
  - scrapes while 8 clients ask for the whole history in a loop;
  - a site-wide power cut: every camera off the network for --outage seconds,
    then back at once; the time until every camera is logged in and delivering
    again, and the most logins begun in any second (the pace allows 25).
The simulated cameras stream inside the service's own process (the stand-in is
its SDK), so its CPU includes the simulated cameras' threads.

    serve_scale_bench.py [--orvane PATH] [--cameras N] [--three-rules-every K]
                         [--scrapes N] [--cpu-seconds S] [--soak-minutes M]
                         [--reboot-every S] [--reboot-batch B] [--outage S] [--json FILE]
    serve_scale_bench.py --smoke      a few cameras for a few seconds (CI)
"""
import argparse
import http.client
import json
import os
import platform
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TICKS = os.sysconf("SC_CLK_TCK")
PAGE = os.sysconf("SC_PAGE_SIZE")


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


def summary(values):
    return {"median": statistics.median(values), "p99": percentile(values, 0.99), "count": len(values)}


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime


def rss_bytes(pid):
    with open("/proc/%d/statm" % pid) as statm:
        return int(statm.read().split()[1]) * PAGE


# The simulated site's three ranges, a camera at each address.
RANGES = ("192.0.2.", "198.51.100.", "203.0.113.")


def site_addresses(count):
    """The first `count` cameras: 192.0.2.1 to .254, then the next ranges."""
    return ["%s%d" % (prefix, n) for prefix in RANGES for n in range(1, 255)][:count]


class Service:
    """orvane serve over the first N simulated cameras of the site."""

    def __init__(self, orvane, cameras, three_rules_every, workdir):
        self.control = os.path.join(workdir, "control-%d" % cameras)
        os.makedirs(self.control)
        self.addresses = site_addresses(cameras)
        if three_rules_every:
            # Carried out as the SDK starts, before the first subscription.
            with open(os.path.join(self.control, "rules.cmd"), "w") as rules:
                for address in self.addresses[three_rules_every - 1::three_rules_every]:
                    rules.write("rules %s 1 point box line\n" % address)
        arguments = [orvane, "serve", "--listen", "127.0.0.1:0", "--interval", "1s"]
        for address in self.addresses:
            arguments += ["-a", address]
        environment = dict(os.environ, ORVANE_PASSWORD="orvane-demo", HCNETSDK_STANDIN_CONTROL=self.control)
        self.process = subprocess.Popen(arguments, env=environment, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                                        errors="replace")
        self.port = None
        self.log_lines = 0
        ready = threading.Event()

        def read_log():
            for line in self.process.stderr:
                self.log_lines += 1
                if self.port is None and line.startswith("listening on http://127.0.0.1:"):
                    self.port = int(line.split(":")[2].split("/")[0])
                    ready.set()
            ready.set()

        threading.Thread(target=read_log, daemon=True).start()
        if not ready.wait(60) or self.port is None:
            self.stop()
            sys.exit("orvane serve did not start")
        self.connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)

    def get(self, path, headers=None):
        """(seconds, body) of one request on the kept-alive connection."""
        headers = headers or {}
        start = time.perf_counter()
        try:
            self.connection.request("GET", path, headers=headers)
            response = self.connection.getresponse()
        except (http.client.RemoteDisconnected, ConnectionResetError, BrokenPipeError):
            # The service closed the kept-alive connection while it was idle,
            # as any HTTP client expects: again on a new one.
            self.connection.close()
            start = time.perf_counter()
            self.connection.request("GET", path, headers=headers)
            response = self.connection.getresponse()
        body = response.read()
        elapsed = time.perf_counter() - start
        if response.status != 200:
            sys.exit("%s answered %d" % (path, response.status))
        return elapsed, body

    def metrics(self):
        elapsed, body = self.get("/metrics")
        text = body.decode()
        poll = [None, None]  # the histogram's sum and count
        up = 0
        for line in text.splitlines():
            if line.startswith("orvane_poll_duration_seconds_sum "):
                poll[0] = float(line.split()[1])
            elif line.startswith("orvane_poll_duration_seconds_count "):
                poll[1] = float(line.split()[1])
            elif line.startswith("orvane_camera_up{") and line.endswith(" 1"):
                up += 1
        return elapsed, len(body), poll, up, text

    def wait_all_up(self, limit=120):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            _, _, _, up, text = self.metrics()
            if up == len(self.addresses) and text.count('reading="') >= len(self.addresses) * 3:
                return
            time.sleep(0.5)
        sys.exit("not every camera came up within %d s" % limit)

    def logins_total(self):
        return sum(int(float(line.split()[-1])) for line in self.metrics()[4].splitlines()
                   if line.startswith("orvane_camera_logins_total{"))

    def command(self, word, addresses, name):
        temporary = os.path.join(self.control, name + ".tmp")
        with open(temporary, "w") as file:
            file.write("".join("%s %s\n" % (word, a) for a in addresses))
        os.rename(temporary, os.path.join(self.control, name + ".cmd"))

    def reboot(self, addresses, name):
        self.command("reboot", addresses, name)

    def delivering(self):
        """(cameras up, channels running, logins in all) from one scrape."""
        text = self.metrics()[4]
        up = running = logins = 0
        for line in text.splitlines():
            if line.startswith("orvane_camera_up{") and line.endswith(" 1"):
                up += 1
            elif line.startswith("orvane_thermometry_state{") and 'state="running"} 1' in line:
                running += 1
            elif line.startswith("orvane_camera_logins_total{"):
                logins += int(float(line.split()[-1]))
        return up, running, logins

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# What Prometheus sends with a scrape: the answer comes compressed.
PROMETHEUS_HEADERS = {"Accept": "application/openmetrics-text;version=1.0.0,text/plain;version=0.0.4;q=0.5",
                      "Accept-Encoding": "gzip"}


def scrape_timing(service, scrapes):
    """Scrapes back to back, each followed by one as Prometheus asks for it
    (OpenMetrics, gzip) and a /healthz round trip."""
    metrics, health, sizes, packed, packed_sizes = [], [], [], [], []
    for _ in range(scrapes):
        elapsed, size, _, _, _ = service.metrics()
        metrics.append(elapsed)
        sizes.append(size)
        elapsed, body = service.get("/metrics", PROMETHEUS_HEADERS)
        packed.append(elapsed)
        packed_sizes.append(len(body))
        health.append(service.get("/healthz")[0])
    return {"scrape": summary(metrics), "scrape_gzip": summary(packed), "healthz": summary(health),
            "size_bytes": statistics.median(sizes), "gzip_size_bytes": statistics.median(packed_sizes)}


def cpu_use(service, seconds):
    """CPU seconds per second while scraped once a second, as by Prometheus,
    and the poll durations those scrapes show (one poll a second)."""
    pid = service.process.pid
    polls = []
    start_cpu, start = cpu_seconds(pid), time.monotonic()
    deadline = start + seconds
    previous = service.metrics()[2]
    while time.monotonic() < deadline:
        time.sleep(max(0.0, min(1.0, deadline - time.monotonic())))
        now = service.metrics()[2]
        # The polls' mean between two scrapes, from the histogram's sum and count.
        if None not in now + previous and now[1] > previous[1]:
            polls.append((now[0] - previous[0]) / (now[1] - previous[1]))
        previous = now
    return (cpu_seconds(pid) - start_cpu) / (time.monotonic() - start), summary(polls)


def fill_journal(service, rounds):
    """Reboots every camera `rounds` times, each time until all are logged in
    again: the stand-in keeps the newest 4096 SDK calls with copies of their
    records, 2 to 4 calls per camera reboot, so that afterwards its journal no
    longer grows and the service's own memory shows."""
    for round_number in range(rounds):
        expected = service.logins_total() + len(service.addresses)
        service.reboot(service.addresses, "fill-%d" % round_number)
        # Until every camera logged in again, or the count stands still for 5 s.
        deadline = time.monotonic() + 120
        last, still_since = -1, time.monotonic()
        while time.monotonic() < deadline:
            logins = service.logins_total()
            if logins >= expected or time.monotonic() - still_since > 5:
                break
            if logins != last:
                last, still_since = logins, time.monotonic()
            time.sleep(0.5)


def soak(service, minutes, reboot_every, batch):
    """Memory over time, scraped once a second, a batch of cameras rebooted every
    `reboot_every` seconds (in rotation through all of them)."""
    pid = service.process.pid
    samples, scrapes = [], []
    start = time.monotonic()
    end = start + minutes * 60
    next_reboot, next_sample, rotation, reboots = start + reboot_every, start, 0, 0
    start_cpu = cpu_seconds(pid)
    logins_before = service.logins_total()
    while time.monotonic() < end:
        now = time.monotonic()
        if now >= next_sample:
            samples.append((now - start, rss_bytes(pid)))
            next_sample += 10
        if now >= next_reboot:
            chosen = [service.addresses[(rotation + i) % len(service.addresses)] for i in range(batch)]
            rotation += batch
            reboots += 1
            service.reboot(chosen, "reboot-%04d" % reboots)
            next_reboot += reboot_every
        scrapes.append(service.metrics()[0])
        time.sleep(max(0.0, 1.0 - (time.monotonic() - now)))
    samples.append((time.monotonic() - start, rss_bytes(pid)))
    cpu = (cpu_seconds(pid) - start_cpu) / (time.monotonic() - start)
    # The slope of a least-squares line through the samples after the first minute.
    later = [(t, r) for t, r in samples if t >= 60] or samples
    mean_t = statistics.mean(t for t, _ in later)
    mean_r = statistics.mean(r for _, r in later)
    spread = sum((t - mean_t) ** 2 for t, _ in later) or 1.0
    slope = sum((t - mean_t) * (r - mean_r) for t, r in later) / spread
    logins = service.logins_total()
    return {"minutes": minutes, "reboots": reboots, "cameras_rebooted": reboots * batch,
            "logins_total": logins, "logins_expected": logins_before + reboots * batch, "rss_samples": samples, "rss_first_mib": later[0][1] / 2**20,
            "rss_last_mib": samples[-1][1] / 2**20, "rss_max_mib": max(r for _, r in later) / 2**20,
            "rss_slope_kib_per_minute": slope * 60 / 1024, "cpu_cores": cpu, "scrape": summary(scrapes)}


def history_document(service):
    """The whole /api/history document: seconds to fetch it on a fresh
    connection, its size, and the service's memory after it."""
    connection = http.client.HTTPConnection("127.0.0.1", service.port, timeout=60)
    start = time.perf_counter()
    connection.request("GET", "/api/history")
    response = connection.getresponse()
    body = response.read()
    elapsed = time.perf_counter() - start
    connection.close()
    document = json.loads(body)
    samples = sum(len(series["samples"]) for series in document["series"])
    return {"seconds": elapsed, "bytes": len(body), "series": len(document["series"]), "samples": samples,
            "window_seconds": document["seconds"], "rss_after_mib": rss_bytes(service.process.pid) / 2**20}


def history_hammer(service, clients, seconds):
    """Scrapes (each with a /healthz round trip) while `clients` connections
    ask for the whole /api/history back to back, as pages or scripts polling it
    in a loop; the history answers they got, and 503s."""
    stop = threading.Event()
    answered, refused = [0], [0]

    def hammer():
        connection = http.client.HTTPConnection("127.0.0.1", service.port, timeout=60)
        while not stop.is_set():
            try:
                connection.request("GET", "/api/history")
                response = connection.getresponse()
                response.read()
                if response.status == 200:
                    answered[0] += 1
                else:
                    refused[0] += 1
                    connection.close()
            except (http.client.HTTPException, OSError):
                connection.close()

    threads = [threading.Thread(target=hammer, daemon=True) for _ in range(clients)]
    for thread in threads:
        thread.start()
    metrics, health = [], []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        metrics.append(service.metrics()[0])
        health.append(service.get("/healthz")[0])
    stop.set()
    for thread in threads:
        thread.join(timeout=60)
    return {"clients": clients, "scrape": summary(metrics), "healthz": summary(health),
            "history_answers": answered[0], "history_503": refused[0],
            "rss_mib": rss_bytes(service.process.pid) / 2**20}


def power_cut(service, outage):
    """Every camera off the network for `outage` seconds, then back at once:
    seconds until every camera is logged in again and every channel running,
    and the most logins begun within any one second of the sampled scrapes."""
    count = len(service.addresses)
    service.command("offline", service.addresses, "cut-off")
    deadline = time.monotonic() + outage
    while time.monotonic() < deadline:
        time.sleep(0.5)
    _, _, logins_before = service.delivering()
    service.command("online", service.addresses, "cut-on")
    back = time.monotonic()
    samples = []  # (seconds after back, logins in all)
    all_back = None
    while time.monotonic() - back < 180:
        up, running, logins = service.delivering()
        samples.append((time.monotonic() - back, logins))
        if up == count and running >= count:
            all_back = time.monotonic() - back
            break
        time.sleep(0.25)
    most_per_second = 0
    for i, (t, logins) in enumerate(samples):
        later = [l for u, l in samples[i:] if u - t <= 1.0]
        most_per_second = max(most_per_second, later[-1] - logins)
    return {"outage_seconds": outage, "all_back_seconds": all_back, "cameras": count,
            "logins_after": samples[-1][1] - logins_before if samples else 0,
            "most_logins_in_a_second": most_per_second}


def load():
    with open("/proc/loadavg") as loadavg:
        return loadavg.read().split()[:3]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--orvane", default=os.path.join(HERE, "..", "build", "linux", "bin", "orvane"))
    parser.add_argument("--cameras", type=int, default=750, help="at most 762: 254 in each of the site's ranges")
    parser.add_argument("--three-rules-every", type=int, default=10,
                        help="every K-th camera measures a point, a box and a line (192.0.2.66 always does)")
    parser.add_argument("--outage", type=float, default=20, help="seconds of the power cut; 0 for none")
    parser.add_argument("--hammer-seconds", type=float, default=30,
                        help="seconds of scrapes while 8 clients ask for the whole history in a loop; 0 for none")
    parser.add_argument("--settle-seconds", type=float, default=0,
                        help="seconds to let the history fill before the figures with the history and the hammering")
    parser.add_argument("--scrapes", type=int, default=2000)
    parser.add_argument("--cpu-seconds", type=float, default=30)
    parser.add_argument("--soak-minutes", type=float, default=0)
    parser.add_argument("--reboot-every", type=float, default=30)
    parser.add_argument("--reboot-batch", type=int, default=25)
    parser.add_argument("--fill-rounds", type=int, default=12,
                        help="reboots of every camera before the soak, to fill the stand-in's journal")
    parser.add_argument("--json")
    parser.add_argument("--smoke", action="store_true", help="8 cameras, a few seconds: checks the script runs")
    options = parser.parse_args()
    if options.smoke:
        options.cameras, options.scrapes, options.cpu_seconds = 8, 20, 2
        options.soak_minutes, options.reboot_every, options.reboot_batch = 0.1, 2, 4
        options.three_rules_every, options.fill_rounds, options.outage = 4, 1, 2
        options.hammer_seconds = 2

    workdir = tempfile.mkdtemp(prefix="orvane-serve-bench-")
    report = {"machine": {"cpus": os.cpu_count(), "processor": platform.processor() or platform.machine(),
                          "load_before": load()},
              "cameras": options.cameras}
    services = []
    try:
        # The floors: one camera, served and scraped the same way.
        floor = Service(options.orvane, 1, 0, workdir)
        services.append(floor)
        floor.wait_all_up()
        time.sleep(2)
        report["one_camera"] = scrape_timing(floor, options.scrapes)
        report["one_camera"]["cpu_cores"], report["one_camera"]["poll"] = cpu_use(floor, options.cpu_seconds)
        report["one_camera"]["rss_mib"] = rss_bytes(floor.process.pid) / 2**20
        report["one_camera"]["history"] = history_document(floor)
        floor.stop()
        services.remove(floor)

        site = Service(options.orvane, options.cameras, options.three_rules_every, workdir)
        services.append(site)
        started = time.monotonic()
        site.wait_all_up()
        report["all_up_seconds"] = time.monotonic() - started
        time.sleep(2)
        report["site"] = scrape_timing(site, options.scrapes)
        report["site"]["cpu_cores"], report["site"]["poll"] = cpu_use(site, options.cpu_seconds)
        report["site"]["rss_mib"] = rss_bytes(site.process.pid) / 2**20
        if options.soak_minutes:
            fill_journal(site, options.fill_rounds)
            report["soak"] = soak(site, options.soak_minutes, options.reboot_every, options.reboot_batch)
        if options.soak_minutes or options.settle_seconds:
            # The history is full (or fuller) now: the figures again.
            time.sleep(options.settle_seconds)
            report["full"] = scrape_timing(site, options.scrapes)
            report["full"]["rss_mib"] = rss_bytes(site.process.pid) / 2**20
            report["full"]["history"] = history_document(site)
            time.sleep(3)
            report["full"]["rss_later_mib"] = rss_bytes(site.process.pid) / 2**20
        if options.hammer_seconds:
            report["hammer"] = history_hammer(site, 8, options.hammer_seconds)
        if options.outage:
            report["power_cut"] = power_cut(site, options.outage)
        site.stop()
        services.remove(site)
        report["site"]["exit_code"] = site.process.returncode
    finally:
        for service in services:
            service.stop()
        shutil.rmtree(workdir, ignore_errors=True)
    report["machine"]["load_after"] = load()

    one, site = report["one_camera"], report["site"]
    cpu_per_camera = (site["cpu_cores"] - one["cpu_cores"]) / max(1, options.cameras - 1)
    ms = 1000
    print("machine: %s CPUs, %s; load %s before, %s after" % (
        report["machine"]["cpus"], report["machine"]["processor"], " ".join(report["machine"]["load_before"]),
        " ".join(report["machine"]["load_after"])))
    print("%d cameras up after %.1f s" % (options.cameras, report["all_up_seconds"]))
    print("%-40s %10s %10s" % ("", "median", "p99"))
    rows = [("scrape, %d cameras (ms)" % options.cameras, site["scrape"]),
            ("  floor: scrape, 1 camera (ms)", one["scrape"]),
            ("as Prometheus asks, gzip (ms)", site["scrape_gzip"]),
            ("  floor: the same, 1 camera (ms)", one["scrape_gzip"]),
            ("  floor: /healthz, same service (ms)", site["healthz"]),
            ("poll, %d cameras (ms)" % options.cameras, site["poll"]),
            ("  floor: poll, 1 camera (ms)", one["poll"])]
    for name, figures in rows:
        print("%-40s %10.3f %10.3f" % (name, figures["median"] * ms, figures["p99"] * ms))
    print("scrape size: %d bytes, %d gzipped (1 camera: %d, %d)" % (
        site["size_bytes"], site["gzip_size_bytes"], one["size_bytes"], one["gzip_size_bytes"]))
    print("CPU: %.3f cores for %d cameras, %.3f for 1 camera: %.2f ms of CPU per camera per second" % (
        site["cpu_cores"], options.cameras, one["cpu_cores"], cpu_per_camera * ms))
    print("memory: %.1f MiB for %d cameras, %.1f MiB for 1 camera" % (site["rss_mib"], options.cameras,
                                                                      one["rss_mib"]))
    if "soak" in report:
        s = report["soak"]
        print("soak, after %d reboots of every camera: %.1f min, %d reboots of %d cameras each (%d logins in all, %d expected); RSS %.1f MiB after the first "
              "minute, %.1f MiB at the end, %.1f MiB at most, slope %+.1f KiB/min; CPU %.3f cores; "
              "scrape median %.3f ms, p99 %.3f ms" % (
                  options.fill_rounds, s["minutes"], s["reboots"], options.reboot_batch, s["logins_total"], s["logins_expected"], s["rss_first_mib"],
                  s["rss_last_mib"], s["rss_max_mib"], s["rss_slope_kib_per_minute"], s["cpu_cores"],
                  s["scrape"]["median"] * ms, s["scrape"]["p99"] * ms))
    if "full" in report:
        f, h, oh = report["full"], report["full"]["history"], one["history"]
        print("with the history of %g s: scrape median %.3f ms, p99 %.3f ms; gzip %.3f / %.3f ms (floor: 1 "
              "camera %.3f / %.3f ms, gzip %.3f / %.3f ms, /healthz %.3f / %.3f ms); RSS %.1f MiB (1 camera %.1f "
              "MiB)" % (
                  h["window_seconds"], f["scrape"]["median"] * ms, f["scrape"]["p99"] * ms,
                  f["scrape_gzip"]["median"] * ms, f["scrape_gzip"]["p99"] * ms,
                  one["scrape"]["median"] * ms, one["scrape"]["p99"] * ms, one["scrape_gzip"]["median"] * ms,
                  one["scrape_gzip"]["p99"] * ms, f["healthz"]["median"] * ms,
                  f["healthz"]["p99"] * ms, f["rss_mib"], one["rss_mib"]))
        print("whole /api/history: %d bytes, %d series, %d samples in %.1f ms (1 camera: %d bytes in %.1f ms); "
              "RSS %.1f MiB after it, %.1f MiB 3 s later" % (
                  h["bytes"], h["series"], h["samples"], h["seconds"] * ms, oh["bytes"], oh["seconds"] * ms,
                  h["rss_after_mib"], f["rss_later_mib"]))
    if "hammer" in report:
        m = report["hammer"]
        print("while %d clients ask for the whole history in a loop: scrape median %.3f ms, p99 %.3f ms "
              "(floor: /healthz %.3f / %.3f ms); %d history answers, %d refused with 503; RSS %.1f MiB" % (
                  m["clients"], m["scrape"]["median"] * ms, m["scrape"]["p99"] * ms, m["healthz"]["median"] * ms,
                  m["healthz"]["p99"] * ms, m["history_answers"], m["history_503"], m["rss_mib"]))
    if "power_cut" in report:
        p = report["power_cut"]
        print("power cut: %d cameras off the network for %g s, then back: all logged in and running after %s s; "
              "%d logins, at most %d begun in a second (pace 25)" % (
                  p["cameras"], p["outage_seconds"],
                  "%.1f" % p["all_back_seconds"] if p["all_back_seconds"] is not None else "(not within 180)",
                  p["logins_after"], p["most_logins_in_a_second"]))
    if options.json:
        with open(options.json, "w") as out:
            json.dump(report, out, indent=1)
    if site.get("exit_code") != 0:
        sys.exit("the service exited with %s" % site.get("exit_code"))


if __name__ == "__main__":
    main()
