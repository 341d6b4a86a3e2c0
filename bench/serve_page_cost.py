#!/usr/bin/python3
"""What the live page costs orvane serve over the whole simulated site: the same
service watches all 254 cameras for a minute without a browser, then for a
minute with the page open in headless Chromium; each minute gives the scrape
time of /metrics (median and p99), the /api/cameras time the page adds each
second, and the service's resident memory. The floor, measured in the same run
beside them: /healthz, an HTTP round trip that renders nothing.

    serve_page_cost.py --orvane EXE --work DIR [--seconds 60]

Run with Debian's python (/usr/bin/python3, which has selenium).
"""
import argparse
import http.client
import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "tools"))
from page_browser_test import Service, start_browser  # noqa: E402

CAMERAS = [f"192.0.2.{n}" for n in range(1, 255)]


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def timed_get(connection, path):
    start = time.perf_counter()
    connection.request("GET", path)
    response = connection.getresponse()
    body = response.read()
    elapsed = time.perf_counter() - start
    if response.status != 200:
        raise RuntimeError(f"{path}: HTTP {response.status}")
    return elapsed, body


def minute(service, seconds):
    """Once a second: a scrape, the page's poll and the floor; memory at each."""
    connection = http.client.HTTPConnection("127.0.0.1", service.port, timeout=10)
    times = {"/metrics": [], "/api/cameras": [], "/healthz": []}
    memory = []
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        tick = time.monotonic()
        for path in times:
            times[path].append(timed_get(connection, path)[0] * 1000)
        memory.append(rss_kib(service.process.pid))
        time.sleep(max(0, 1 - (time.monotonic() - tick)))
    connection.close()
    return times, memory


def p99(values):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * 0.99))]


def report(label, times, memory):
    parts = [f"{label:<16}"]
    for path, values in times.items():
        parts.append(f"{path} median {statistics.median(values):6.2f} ms p99 {p99(values):6.2f} ms")
    parts.append(f"RSS {memory[0] / 1024:.1f} -> {memory[-1] / 1024:.1f} MiB (max {max(memory) / 1024:.1f})")
    print(" | ".join(parts), flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--seconds", type=float, default=60)
    args = parser.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(os.path.join(args.work, "control"))

    service = Service(os.path.abspath(args.orvane), args.work, CAMERAS, ["--alarm-above", "45"])
    driver = None
    try:
        # Every camera logged in and measuring before the first minute.
        deadline = time.monotonic() + 120
        connection = http.client.HTTPConnection("127.0.0.1", service.port, timeout=10)
        while time.monotonic() < deadline:
            body = timed_get(connection, "/metrics")[1].decode()
            up = [line for line in body.splitlines() if line.startswith("orvane_camera_up{") and line.endswith(" 1")]
            if len(up) == len(CAMERAS):
                break
            time.sleep(1)
        connection.close()
        scrape = timed_get(http.client.HTTPConnection("127.0.0.1", service.port, timeout=10), "/metrics")[1]
        print(f"254 cameras; scrape size {len(scrape)} bytes", flush=True)

        report("without the page", *minute(service, args.seconds))
        driver = start_browser(args.work, 1280, 800)
        driver.get(service.url)
        report("with the page", *minute(service, args.seconds))
    finally:
        if driver:
            driver.quit()
        service.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
