#!/usr/bin/env python3
"""Closes the Windows console under `orvane serve` and `orvane thermo record`
(through orvane_console_close, under wine) once they are subscribed, and checks
that each ended its subscriptions and logins and wrote its last lines before
the close let Windows end it.

    console_close_test.py --orvane EXE --closer EXE --emulator RUNNER --work DIR
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import threading
import time
from check_report import check, report
from standin_trace import calls, unended

PASSWORD = "orvane-demo"
CAMERA, RULES_CAMERA = "192.0.2.64", "192.0.2.66"

# (name, orvane's arguments over both cameras, the lines, in order, it must
# write before the close returns)
SCENARIOS = [
    ("serve", ["serve", "--listen", "127.0.0.1:0", "-a", CAMERA, "-a", RULES_CAMERA],
     [r"orvane serve: stopping: .*", r"orvane serve: stopped"]),
    ("record", ["thermo", "record", CAMERA, RULES_CAMERA, "--csv", "rows.csv"],
     [r"Interrupted; subscriptions stopped", rf"Logged out of {re.escape(CAMERA)}",
      rf"Logged out of {re.escape(RULES_CAMERA)}", r"\d+ rows in rows\.csv"]),
]


def close_console(args, name, argv, last_lines):
    trace = os.path.join(args.work, f"{name}-trace.txt")
    env = dict(os.environ, ORVANE_PASSWORD=PASSWORD, HCNETSDK_STANDIN_TRACE=trace)
    process = subprocess.Popen([args.emulator, args.closer, args.orvane, *argv], cwd=args.work, env=env,
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    lines = []
    reader = threading.Thread(target=lambda: lines.extend(
        raw.decode("utf-8", "replace").rstrip("\r\n") for raw in process.stdout), daemon=True)
    reader.start()

    def started():
        return sum(1 for c in calls(trace) if c[1] == "start-remote-config" and int(c[3]) >= 0)

    deadline = time.monotonic() + 60
    while started() < 2 and time.monotonic() < deadline and process.poll() is None:
        time.sleep(0.2)
    if not check(started() >= 2, f"{name}: not subscribed: {lines}"):
        process.kill()
        return
    time.sleep(1)
    process.stdin.write(b"close\n")
    process.stdin.close()
    try:
        process.wait(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        check(False, f"{name}: still running after the close")
    reader.join(timeout=10)

    answer = [i for i, line in enumerate(lines) if line.startswith("console_close: ")]
    check(len(answer) == 1 and lines[answer[0]] in ("console_close: the handler returned",
                                                    "console_close: the program ended by itself"),
          f"{name}: how the close was answered: {lines}")
    before = lines[:answer[0]] if answer else lines
    remaining = iter(before)
    check(all(any(re.fullmatch(pattern, line) for line in remaining) for pattern in last_lines),
          f"{name}: {last_lines} not all written, in order, before the close returned: {lines}")
    for problem in unended(trace):
        check(False, f"{name}: {problem}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--closer", required=True)
    parser.add_argument("--emulator", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    for scenario in SCENARIOS:
        close_console(args, *scenario)
    return report("all checks passed")


if __name__ == "__main__":
    sys.exit(main())
