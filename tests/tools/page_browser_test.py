#!/usr/bin/python3
"""Loads the live page of `orvane serve` in headless Chromium over simulated
cameras and reads what it rendered: every camera, readings in the simulator's
range that change from one second to the next, a camera taken off the network
shown failing with its last readings stale (never an alarm) and then recovering,
a channel gone silent shown as such and not counted as running, readings over
the alarm threshold marked, and the page riding out a restart of the service.

    page_browser_test.py --orvane EXE --work DIR [--screenshot PNG [--size W,H] [--warm S]]

Needs Debian's chromium, chromedriver and python3-selenium (run it with
/usr/bin/python3). Exits 77 (skipped) when Chromium or its driver is missing.
With --screenshot it runs four cameras (one going offline, one channel going
silent, one rule in alarm) for --warm seconds and saves the page.
"""
import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from check_report import check, failures, report

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SKIPPED = 77
PASSWORD = "orvane-demo"
CAMERA = "192.0.2.64"
RULES_CAMERA = "192.0.2.66"  # a point rule 1, a box rule 2 and a line rule 3
OFFLINE_CAMERA = "192.0.2.67"  # taken off the network for the screenshot
LOW, HIGH = 20.0, 50.0  # the simulator's readings
ALARM_ABOVE = 36.0



class Service:
    """orvane serve on a loopback port, its standard error collected."""

    def __init__(self, orvane, work, cameras, extra=(), port=0):
        self.lines = []
        self.port = None
        self.ready = threading.Event()
        env = dict(os.environ, ORVANE_PASSWORD=PASSWORD, HCNETSDK_STANDIN_CONTROL=os.path.join(work, "control"))
        argv = [orvane, "serve", "--listen", f"127.0.0.1:{port}", *extra]
        for camera in cameras:
            argv += ["-a", camera]
        self.process = subprocess.Popen(argv, cwd=work, env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        threading.Thread(target=self._read, daemon=True).start()
        if not self.ready.wait(30):
            raise RuntimeError("orvane serve printed no listening line in 30 s: " + "".join(self.lines))

    def _read(self):
        for raw in self.process.stderr:
            line = raw.decode("utf-8", "replace")
            self.lines.append(line)
            found = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", line)
            if found:
                self.port = int(found.group(1))
                self.ready.set()

    @property
    def url(self):
        return f"http://127.0.0.1:{self.port}/"

    def stop(self):
        """SIGTERM, as systemd stops it; the exit code."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                return self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
                return None
        return self.process.returncode


def control(work, command):
    """A command for the stand-in through its control folder; waits for it to be taken."""
    folder = os.path.join(work, "control")
    name = os.path.join(folder, f"{time.monotonic_ns()}")
    with open(name + ".tmp", "w") as f:
        f.write(command + "\n")
    os.rename(name + ".tmp", name + ".cmd")
    deadline = time.monotonic() + 10
    while os.path.exists(name + ".cmd"):
        if time.monotonic() > deadline:
            raise RuntimeError(f"the stand-in did not take '{command}' in 10 s")
        time.sleep(0.05)


# What the page shows, read from its DOM in one go.
READ_PAGE = """
const text = (node) => node ? node.textContent.trim() : null;
return JSON.stringify({
  connection: text(document.getElementById('link-state')),
  lost: document.body.classList.contains('lost'),
  overview: text(document.getElementById('overview')),
  headerItems: [...document.querySelectorAll('#overview .overview-item')].map((i) => [i.classList[1], text(i)]),
  // Text in Chinese, Japanese or Korean the reader sees (not behind a closed disclosure).
  cjkShown: (document.body.innerText.match(/[\u2e80-\u9fff\uac00-\ud7af\uff00-\uffef]+/g) || []),
  cjkInDisclosure: [...document.querySelectorAll('details.failure')].some((d) => /[\u2e80-\u9fff]/.test(d.textContent)),
  cameras: [...document.querySelectorAll('article[data-camera]')].map((a) => ({
    camera: a.dataset.camera,
    severity: Number(a.dataset.severity),
    login: text(a.querySelector('.login')),
    loginState: text(a.querySelector('.login-state')),
    failure: text(a.querySelector('.failure summary') || a.querySelector('.failure')),
    alarm: a.classList.contains('alarm'),
    banner: a.querySelector('.banner').hidden ? null : text(a.querySelector('.banner')),
    channels: [...a.querySelectorAll('section[data-channel]')].map((s) => ({
      channel: Number(s.dataset.channel),
      badge: text(s.querySelector('.badge')),
      level: s.querySelector('.badge') && s.querySelector('.badge').dataset.health,
      state: s.querySelector('.badge') ? Number(s.querySelector('.badge').dataset.state) : null,
      restarts: text(s.querySelector('.restarts')),
      rules: [...s.querySelectorAll('tr[data-rule]')].map((r) => ({
        rule: Number(r.dataset.rule),
        kind: text(r.querySelector('.rule-kind')),
        stale: r.dataset.current === 'false' ? text(r.querySelector('.stale-mark')) : null,
        readings: [...r.querySelectorAll('[data-reading]')].map((g) => ({
          name: g.dataset.reading,
          value: g.dataset.value === '' ? null : Number(g.dataset.value),
          text: text(g.querySelector('.reading-value')),
          alarm: g.dataset.alarm || null,
          stale: g.dataset.stale === 'true',
        })),
      })),
    })),
    chart: (() => {
      const svg = a.querySelector('figure svg[role=img]');
      if (!svg) return null;
      const title = svg.querySelector('title');
      const summary = document.getElementById(svg.getAttribute('aria-describedby'));
      return {
        lines: svg.querySelectorAll('path.line').length,
        points: [...svg.querySelectorAll('path.line')].map((p) => (p.getAttribute('d').match(/[ML]/g) || []).length),
        segments: [...svg.querySelectorAll('path.line')].map((p) => (p.getAttribute('d').match(/M/g) || []).length),
        thresholds: svg.querySelectorAll('line.threshold').length,
        panels: svg.querySelectorAll('text.panel-title').length,
        alarmMarks: Number(a.querySelector('figure').dataset.alarmMarks || 0),
        labelled: Boolean(title && title.textContent && summary && summary.textContent),
        summary: text(summary),
      };
    })(),
  })),
});
"""


def read_page(driver):
    return json.loads(driver.execute_script(READ_PAGE))


def wait_for(driver, what, predicate, seconds=30):
    """The page as soon as predicate holds of it, or None (a failure) after `seconds`."""
    deadline = time.monotonic() + seconds
    page = None
    while time.monotonic() < deadline:
        page = read_page(driver)
        if predicate(page):
            return page
        time.sleep(0.2)
    check(False, f"{what} (within {seconds} s); the page showed: {json.dumps(page)[:1500]}")
    return None


def camera_of(page, address):
    return next((c for c in page["cameras"] if c["camera"] == address), None)


def values(page):
    return [(c["camera"], r["rule"], g["name"], g["value"]) for c in page["cameras"] for ch in c["channels"]
            for r in ch["rules"] for g in r["readings"]]


def check_order(page, cameras):
    """Most urgent first (down, no data, alarm, fine), then as given."""
    shown = [(c["severity"], cameras.index(c["camera"])) for c in page["cameras"]]
    check(shown == sorted(shown) and len(shown) == len(cameras), f"cameras by severity: {shown}")


def all_running(page, cameras):
    found = [camera_of(page, address) for address in cameras]
    return all(c and c["channels"] and all(ch["level"] == "ok" and ch["rules"] for ch in c["channels"])
               for c in found)


def all_stale(channel):
    """Every reading of the channel shown stale with its age, none as an alarm."""
    return bool(channel["rules"]) and all(
        re.fullmatch(r"stale · \d+ s old", r["stale"] or "") and r["readings"]
        and all(g["stale"] and g["alarm"] is None for g in r["readings"]) for r in channel["rules"])


def logins(camera):
    found = re.search(r"(\d+) successful logins?", camera["login"] or "")
    return int(found.group(1)) if found else 0


def start_browser(work, width, height):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service as DriverService

    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--no-first-run", "--disable-extensions", "--disable-background-networking",
                     f"--user-data-dir={os.path.join(work, 'chromium-profile')}"]:
        options.add_argument(argument)
    driver = webdriver.Chrome(service=DriverService(CHROMEDRIVER), options=options)
    driver.set_page_load_timeout(30)
    driver.set_script_timeout(10)
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 500})
    return driver


def browser_errors(driver):
    """Script errors and refused requests the browser reported."""
    return [e["message"] for e in driver.get_log("browser") if e.get("level") == "SEVERE"]


def scenario(orvane, work):
    cameras = [CAMERA, RULES_CAMERA]
    service = Service(orvane, work, cameras, ["--alarm-above", str(ALARM_ABOVE)])
    driver = None
    try:
        # The page opens on a service that has watched for a while: its charts
        # show the service's history at once, not only the polls they saw.
        time.sleep(10)
        driver = start_browser(work, 1280, 800)
        driver.get(service.url)
        opened = time.monotonic()
        check(driver.title.startswith("orvane serve"), f"page title: {driver.title!r}")

        # Every camera, running, with its rules and readings in range.
        page = wait_for(driver, "every camera shown running with readings", lambda p: all_running(p, cameras))
        if not page:
            return
        check_order(page, cameras)
        rules_camera = camera_of(page, RULES_CAMERA)
        kinds = [r["kind"] for r in rules_camera["channels"][0]["rules"]]
        check(kinds == ["point · preset 0", "box · preset 0", "line · preset 0"], f"rules of {RULES_CAMERA}: {kinds}")
        names = [[g["name"] for g in r["readings"]] for r in rules_camera["channels"][0]["rules"]]
        check(names == [["point"], ["max", "min", "avg"], ["max", "min", "avg"]], f"readings shown: {names}")
        for camera, rule, name, value in values(page):
            check(value is not None and LOW <= value <= HIGH, f"{camera} rule {rule} {name}: {value} in range")
        for reading in (g for c in page["cameras"] for ch in c["channels"] for r in ch["rules"]
                        for g in r["readings"]):
            check(re.fullmatch(r"-?\d+\.\d\d °C", reading["text"] or ""), f"reading text {reading['text']!r}")

        # Readings change from one second to the next.
        first = values(page)
        wait_for(driver, "readings changed within 3 s", lambda p: values(p) != first, 3)

        # The charts: a panel per rule, a line per reading, each rule's limit drawn, a text alternative;
        # the service's history in them (more points than the page has polled).
        page = wait_for(driver, "charts drawn with the service's history",
                        lambda p: all(c["chart"] and c["chart"]["lines"] and
                                      min(c["chart"]["points"]) >= time.monotonic() - opened + 8
                                      for c in p["cameras"]), 10)
        if page:
            charts = {c["camera"]: c["chart"] for c in page["cameras"]}
            check(charts[RULES_CAMERA]["lines"] == 7, f"lines of {RULES_CAMERA}: {charts[RULES_CAMERA]}")
            check(charts[CAMERA]["lines"] == 3, f"lines of {CAMERA} (one line rule): {charts[CAMERA]}")
            for camera, chart, rules in ((RULES_CAMERA, charts[RULES_CAMERA], 3), (CAMERA, charts[CAMERA], 1)):
                check(chart["panels"] == rules and chart["thresholds"] == rules, f"{camera}: panels and limits: {chart}")
                check(chart["labelled"] and "Last 10 minutes" in chart["summary"], f"{camera}: chart in words")

        # Every reading over the threshold marked, no other; the chart marks them too.
        page = wait_for(driver, f"a reading above {ALARM_ABOVE} marked",
                        lambda p: any(g["alarm"] == "above" for c in p["cameras"] for ch in c["channels"]
                                      for r in ch["rules"] for g in r["readings"]), 30)
        if page:
            for c in page["cameras"]:
                for ch in c["channels"]:
                    for r in ch["rules"]:
                        for g in r["readings"]:
                            over = g["name"] in ("max", "point") and g["value"] > ALARM_ABOVE
                            check((g["alarm"] == "above") == over, f"{c['camera']} rule {r['rule']} {g}: marked")
            marked = [c for c in page["cameras"] if any(g["alarm"] for ch in c["channels"] for r in ch["rules"]
                                                        for g in r["readings"])]
            check(all(c["alarm"] and c["chart"]["alarmMarks"] > 0 for c in marked),
                  f"panel and chart of a camera in alarm marked: {marked}")
            check("in alarm" in page["overview"], f"overview: {page['overview']}")

        # A camera off the network: shown failing with the refusal, then back.
        before = logins(camera_of(page or read_page(driver), CAMERA))
        control(work, f"offline {CAMERA}")
        page = wait_for(driver, f"{CAMERA} shown not logged in with its failure",
                        lambda p: camera_of(p, CAMERA)["channels"][0]["level"] == "off"
                        and "error 7" in (camera_of(p, CAMERA)["failure"] or ""))
        if page:
            down = camera_of(page, CAMERA)
            check(down["channels"][0]["badge"] == "not logged in", f"badge of a camera down: {down}")
            check(down["loginState"] == "not logged in", f"login badge of a camera down: {down}")
            # Its last readings stay, each one stale and none an alarm.
            check(all_stale(down["channels"][0]), f"every reading of a camera down stale: {down}")
            print(f"{CAMERA} offline: {down['channels'][0]['badge']}; {down['failure']}", flush=True)
            # First on the page, named in the header, its failure in English with the
            # library's own text behind a disclosure.
            check(page["cameras"][0]["camera"] == CAMERA and down["banner"] == "not logged in", f"{down}")
            check_order(page, cameras)
            check(["down", f"not logged in: {CAMERA}"] in page["headerItems"], f"header: {page['headerItems']}")
            check(page["cjkShown"] == [] and page["cjkInDisclosure"], f"text outside a disclosure: {page['cjkShown']}")
            check(all_running(page, [RULES_CAMERA]), f"{RULES_CAMERA} unaffected: {camera_of(page, RULES_CAMERA)}")
        control(work, f"online {CAMERA}")
        page = wait_for(driver, f"{CAMERA} running again after it came back",
                        lambda p: all_running(p, cameras) and logins(camera_of(p, CAMERA)) > before, 90)
        if page:
            back = camera_of(page, CAMERA)
            check(not any(r["stale"] for ch in back["channels"] for r in ch["rules"]),
                  f"readings current again: {back}")
            check(back["loginState"] == "logged in", f"login badge of a camera back: {back}")
        # Its chart breaks where the camera was down, once the next readings drew a line.
        wait_for(driver, f"the chart of {CAMERA} broken where it was down",
                 lambda p: min(camera_of(p, CAMERA)["chart"]["segments"]) >= 2, 10)

        # A channel gone quiet: silent, a problem, not counted as running, its readings stale.
        control(work, f"silent {RULES_CAMERA} 1")
        page = wait_for(driver, f"{RULES_CAMERA} channel 1 shown silent",
                        lambda p: camera_of(p, RULES_CAMERA)["channels"][0]["state"] == 6, 30)
        if page:
            quiet = camera_of(page, RULES_CAMERA)["channels"][0]
            check(re.fullmatch(r"silent · no data for \d+ s", quiet["badge"] or "") and quiet["level"] == "bad",
                  f"badge of a silent channel: {quiet}")
            check(all_stale(quiet), f"every reading of a silent channel stale: {quiet}")
            check(["no-data", f"no data from: {RULES_CAMERA}"] in page["headerItems"] and
                  "1 of 2 channels running" in page["overview"], f"header with a silent channel: {page['overview']}")
            check(page["cameras"][0]["camera"] == RULES_CAMERA, f"a silent channel's camera first: {page['cameras']}")

        # No script error and nothing the Content-Security-Policy refused, while the
        # service was there.
        errors = browser_errors(driver)
        check(errors == [], f"browser console errors: {errors}")

        # The service goes away: the page says so, and recovers by itself when it is back.
        port = service.port
        check(service.stop() == 0, "orvane serve ended with 0 on SIGTERM")
        wait_for(driver, "connection lost shown",
                 lambda p: p["lost"] and p["connection"] == "connection lost — retrying", 15)
        service = Service(orvane, work, cameras, ["--alarm-above", str(ALARM_ABOVE)], port=port)
        wait_for(driver, "the page live again after the service came back",
                 lambda p: not p["lost"] and p["connection"] == "live" and all_running(p, cameras), 30)
        # Meanwhile only the polls the stopped service could not answer failed.
        errors = [e for e in browser_errors(driver) if "/api/" not in e or "ERR_CONNECTION_REFUSED" not in e]
        check(errors == [], f"browser console errors around the restart: {errors}")
    finally:
        if driver:
            driver.quit()
        code = service.stop()
        if failures:
            print("orvane serve's log:\n" + "".join(service.lines[-40:]))
        check(code == 0, f"orvane serve exit code at the end: {code}")


def screenshot(orvane, work, path, width, height, warm):
    """A site as an operator meets it: a camera down, a channel silent, a rule in alarm."""
    silent_camera = "192.0.2.65"
    cameras = [CAMERA, RULES_CAMERA, OFFLINE_CAMERA, silent_camera]
    # 45 °C for every rule, but 50 for rule 2 and 38 for rule 3 (always above it) of the rules camera.
    service = Service(orvane, work, cameras, ["--alarm-above", "45", "--alarm-above", f"{RULES_CAMERA}/2=50",
                                              "--alarm-above", f"{RULES_CAMERA}/3=38"])
    driver = None
    try:
        # The service keeps the history: a page opened late shows it all at once.
        time.sleep(max(0, warm - 60))
        control(work, f"offline {OFFLINE_CAMERA}")
        control(work, f"silent {silent_camera} 1")
        time.sleep(min(warm, 60))
        driver = start_browser(work, width, height)
        driver.get(service.url)
        # Every chart with its history (a few polls' worth is only what the page saw itself).
        wait_for(driver, "charts drawn with their history, a camera down, a channel silent and a rule in alarm",
                 lambda p: len(p["cameras"]) == len(cameras)
                 and all(c["chart"] and max(c["chart"]["points"], default=0) >= warm / 4 for c in p["cameras"])
                 and [i[0] for i in p["headerItems"]][:3] == ["down", "no-data", "alarm"], 60)
        time.sleep(0.3)
        driver.save_screenshot(path)
        print(f"saved {path}")
    finally:
        if driver:
            driver.quit()
        service.stop()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--screenshot")
    parser.add_argument("--size", default="1280,800")
    parser.add_argument("--warm", type=float, default=120)
    args = parser.parse_args()

    missing = [p for p in (CHROMIUM, CHROMEDRIVER) if not os.access(p, os.X_OK)]
    if missing:
        print(f"SKIPPED: {' and '.join(missing)} not installed (Debian's chromium and chromium-driver; "
              "scripts/install-deps.sh installs them)")
        return SKIPPED

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(os.path.join(args.work, "control"))
    orvane = os.path.abspath(args.orvane)
    if args.screenshot:
        width, height = map(int, args.size.split(","))
        screenshot(orvane, args.work, os.path.abspath(args.screenshot), width, height, args.warm)
    else:
        scenario(orvane, args.work)
    return report("live page checks passed")


if __name__ == "__main__":
    sys.exit(main())
