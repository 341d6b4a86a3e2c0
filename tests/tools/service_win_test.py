#!/usr/bin/env python3
"""orvane serve as a Windows service under wine's service control manager:
install, `net start`, a scrape of /metrics while it runs as a service, `net
stop` with every subscription stopped and every login ended before the process
ends, uninstall; and the command lines install refuses.

The service gets the stand-in's trace path through the system environment in
the registry, which wine's service manager reads once, when it starts: so the
test runs in a copy of the prefix scripts/with-wine.sh prepared, with a wine
server of its own.

    service_win_test.py --orvane EXE --work DIR

(wine itself runs the programs: the build's wine-run.sh would run them in the
build's prefix.)
"""
import argparse
import os
import re
import shutil
import socket
import subprocess
import sys
import time
import urllib.request
from check_report import check, report
from standin_trace import unended

PASSWORD = "orvane-demo"
CAMERAS = ("192.0.2.64", "192.0.2.66")
NAME = "orvane-test"
ENVIRONMENT_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Prefix:
    """A wine prefix of the test's own, with HCNETSDK_STANDIN_TRACE in its system environment."""

    def __init__(self, args, trace):
        source = os.environ.get("WINEPREFIX")
        if not source or not os.path.isfile(os.path.join(source, "system.reg")):
            sys.exit("run it under scripts/with-wine.sh, which prepares the prefix")
        self.path = os.path.abspath(os.path.join(args.work, "wineprefix"))
        # A copy, but for the half-gigabyte of system DLLs, which nothing writes: hard links.
        system = os.path.join("drive_c", "windows", "system32")
        shutil.copytree(source, self.path, symlinks=True,
                        ignore=lambda folder, names: ["system32"] if folder.endswith("windows") else [])
        subprocess.run(["cp", "-al", os.path.join(source, system), os.path.join(self.path, system)], check=True)
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEARCH="win32", WINEDEBUG="-all")
        self.env.pop("HCNETSDK_STANDIN_TRACE", None)
        self.wine("reg", "add", ENVIRONMENT_KEY, "/v", "HCNETSDK_STANDIN_TRACE", "/d", windows_path(trace), "/f")
        # The service manager reads the environment when it starts: start it again.
        self.stop_server()
        # (-p fails while the server just killed has not yet gone.)
        if not wait_for(lambda: subprocess.run(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL).returncode == 0, 20):
            sys.exit("cannot start a wine server for the test's prefix")
        # The first program starts wine's background services: with their output
        # away from the pipes the test reads (as scripts/with-wine.sh does).
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wine(self, *argv, timeout=90):
        done = subprocess.run(["wine", *argv], env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace")

    def state(self):
        """The service's state as sc names it (RUNNING, STOPPED, ...), or None when sc does not know it."""
        _, text = self.wine("sc", "query", NAME)
        found = re.search(r"STATE\s*:\s*\d+\s+(\w+)", text)
        return found.group(1) if found else None

    def stop_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.5)
    return condition()


def service_process_runs():
    """Whether an orvane.exe the service manager started still runs (wine shows its arguments)."""
    mark = f"service\0run\0--name\0{NAME}\0".encode()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if mark in f.read():
                    return True
        except OSError:
            pass
    return False


def cameras_up(port):
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/metrics", timeout=5) as answer:
            text = answer.read().decode()
    except OSError:
        return False
    return all(f'orvane_camera_up{{camera="{camera}"}} 1' in text for camera in CAMERAS)


def refusals(prefix, orvane, site):
    """install refuses what serve would, a password on the line, and a relative path."""
    rows = [  # (what, install's words after --, exit code, a part of the message)
        ("a password", ["serve", "--config", site, "--password", PASSWORD], 2, "password on the service"),
        ("a password, one word", ["serve", "--config", site, f"--password={PASSWORD}"], 2,
         "password on the service"),
        ("not serve", ["thermo", "record", CAMERAS[0]], 2, "must be an orvane serve command line"),
        ("a bad serve line", ["serve", "--config", site, "--interval", "soon"], 2, "the serve command line"),
        ("a relative path", ["serve", "--config", "site.toml"], 2, "give the full path"),
    ]
    for what, words, code, message in rows:
        status, text = prefix.wine(orvane, "service", "install", "--name", NAME + "-refused", "--", *words)
        check(status == code and message in text, f"install with {what}: exit {status}: {text}")
    _, text = prefix.wine("sc", "query", NAME + "-refused")
    check("RUNNING" not in text and "STOPPED" not in text, f"a refused install registered it: {text}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    trace = os.path.join(args.work, "trace.txt")
    password_file = os.path.join(args.work, "password.txt")
    with open(password_file, "w") as f:
        f.write(PASSWORD + "\n")
    os.chmod(password_file, 0o600)
    port = free_port()
    site = os.path.join(args.work, "site.toml")
    with open(site, "w") as f:
        f.write(f'listen = "127.0.0.1:{port}"\npassword-file = \'{windows_path(password_file)}\'\n')
        f.write("".join(f'[[camera]]\naddress = "{camera}"\n' for camera in CAMERAS))
    orvane = windows_path(args.orvane)
    prefix = Prefix(args, trace)
    try:
        refusals(prefix, orvane, windows_path(site))
        run_service(prefix, orvane, windows_path(site), trace, port, password_file)
    finally:
        prefix.stop_server()
        shutil.rmtree(prefix.path, ignore_errors=True)
    return report("all checks passed")


def run_service(prefix, orvane, site, trace, port, password_file):
    status, text = prefix.wine(orvane, "service", "install", "--name", NAME, "--", "serve", "--config", site)
    if not check(status == 0, f"install: exit {status}: {text}"):
        return
    check(prefix.state() == "STOPPED", "installed, not started")
    status, text = prefix.wine(orvane, "service", "install", "--name", NAME, "--", "serve", "--config", site)
    check(status == 1 and "exists already" in text, f"installed twice: exit {status}: {text}")

    # A password file others may read (wine shows mode 0644 as readable by
    # Everyone) stops the start with serve's exit status 2 as the service's own code.
    log = os.path.join(prefix.path, "drive_c", "ProgramData", "Orvane", NAME + ".log")
    os.chmod(password_file, 0o644)
    prefix.wine("net", "start", NAME)
    check(wait_for(lambda: prefix.state() == "STOPPED", 60), "started with an open password file")
    _, text = prefix.wine("sc", "query", NAME)
    check(re.search(r"SERVICE_EXIT_CODE\s*:\s*2\b", text), f"exit code of a refused start: {text}")
    check(os.path.isfile(log) and "password.txt may be read by Everyone" in open(log).read(),
          f"the refused password file is not in the service's log {log}")
    os.chmod(password_file, 0o600)

    status, text = prefix.wine("net", "start", NAME)
    check(status == 0, f"net start: exit {status}: {text}")
    check(wait_for(lambda: prefix.state() == "RUNNING", 60), f"not running: {prefix.state()}")
    check(wait_for(lambda: cameras_up(port), 60), "the cameras are not up in /metrics")
    check(os.path.isfile(log) and "listening on http://127.0.0.1:" in open(log).read(),
          f"no listening line in the service's log {log}")

    status, text = prefix.wine("net", "stop", NAME)
    check(status == 0, f"net stop: exit {status}: {text}")
    check(wait_for(lambda: prefix.state() == "STOPPED", 60), f"not stopped: {prefix.state()}")
    check(wait_for(lambda: not service_process_runs(), 30), "the service's process still runs")
    for problem in unended(trace, at_least=len(CAMERAS)):
        check(False, problem)

    status, text = prefix.wine(orvane, "service", "uninstall", "--name", NAME)
    check(status == 0, f"uninstall: exit {status}: {text}")
    check(prefix.state() is None, "sc still knows the service")
    status, text = prefix.wine(orvane, "service", "uninstall", "--name", NAME)
    check(status == 1 and "no service named" in text, f"uninstalled twice: exit {status}: {text}")
    status, text = prefix.wine(orvane, "service", "run", "--name", NAME, "--", "serve", "--config", site)
    check(status == 2 and "service control manager" in text, f"service run by hand: exit {status}: {text}")


if __name__ == "__main__":
    sys.exit(main())
