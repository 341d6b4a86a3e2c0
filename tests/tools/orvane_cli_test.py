#!/usr/bin/env python3
"""Runs the orvane program against the stand-in camera and checks exit codes,
output, the JSON results, the CSV against the measurements the stand-in sent
(its trace file) and the SVG chart.

    orvane_cli_test.py --orvane EXE --probe EXE --work DIR [--emulator RUNNER] GROUP
"""
import argparse
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

CAMERA = "192.0.2.64"
PASSWORD = "orvane-demo"
NO_FAILURE_TEXT = "(this library build gives no failure text)"

args = None
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def command(argv):
    runner = [args.emulator] if args.emulator else []
    return runner + [args.orvane] + argv


def run(argv, env=None, stdin_text="", timeout=120):
    environment = dict(os.environ)
    environment.pop("ORVANE_PASSWORD", None)
    environment.update(env or {})
    done = subprocess.run(command(argv), cwd=args.work, env=environment, input=stdin_text.encode(),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    out = done.stdout.decode("utf-8").replace("\r\n", "\n")
    err = done.stderr.decode("utf-8").replace("\r\n", "\n")
    return done.returncode, out, err


def run_json(argv, env=None, stdin_text=""):
    code, out, err = run(["--json"] + argv, env, stdin_text)
    try:
        result = json.loads(out)
    except ValueError:
        check(False, f"{argv}: --json output is not one JSON object: {out!r} / {err!r}")
        result = {}
    return code, result, err


def with_password(argv):
    return argv + ["--address", CAMERA], {"ORVANE_PASSWORD": PASSWORD}


def read_trace(name):
    path = os.path.join(args.work, name)
    with open(path, encoding="ascii") as f:
        return [line.split() for line in f.read().splitlines()]


def as_float(bits):
    return struct.unpack("<f", struct.pack("<I", int(bits, 16)))[0]


# ---------------------------------------------------------------------------
# Bad arguments: exit code 2 and a message that names the problem.
USAGE = [
    ([], "A subcommand is required"),
    (["frobnicate"], "A subcommand is required"),
    (["ptz", "move", "sideways", "-a", CAMERA], "sideways not in"),
    (["ptz", "move", "left", "--for", "fast", "-a", CAMERA], "not a positive duration"),
    (["ptz", "move", "left", "--for", "0s", "-a", CAMERA], "not a positive duration"),
    (["preset", "jump", "1", "-a", CAMERA], "jump not in"),
    (["preset", "set", "-a", CAMERA], "index is required"),
    (["thermo", "record", "-a", CAMERA], "--csv is required"),
    (["thermo", "record", "--csv", "x.csv", "--duration", "ten", "-a", CAMERA], "not a positive duration"),
    (["thermo", "record", "--csv", "x.csv", "--interval", "-1s", "-a", CAMERA], "interval"),
    (["check", CAMERA, "--port", "70000"], "port"),
    (["check", CAMERA, "--password", "a", "--password-file", "f"], "excludes"),
    (["check"], "no camera address"),
    (["job", "0"], "pid"),
    (["job", "twelve"], "pid"),
]


def group_usage():
    for argv, message in USAGE:
        code, out, err = run(argv, {"ORVANE_PASSWORD": PASSWORD})
        check(code == 2, f"{argv}: exit code {code}, expected 2 ({err.strip()})")
        check(message in err, f"{argv}: stderr lacks {message!r}: {err!r}")
    code, out, _ = run(["--help"])
    check(code == 0 and "Exit codes" in out and "thermo" in out, "--help shows commands and exit codes")


# ---------------------------------------------------------------------------
# Each command against the stand-in: exit code, a line of its readable output,
# and facts of its JSON result.
def jpeg_written(name):
    path = os.path.join(args.work, name)
    with open(path, "rb") as f:
        return f.read(3) == b"\xff\xd8\xff"


COMMANDS = [
    (["check", CAMERA], 0, r"PTZ ranges: +pan 0\.0 to 360\.0 deg",
     lambda j: j["ranges"]["pan_max"] == 3600 and j["position"]["zoom"] == 10 and j["logged_out"]),
    (["position"], 0, r"PTZ position: pan 0\.0 deg, tilt 0\.0 deg, zoom 1\.0x",
     lambda j: j["position"] == {"pan": 0, "tilt": 0, "zoom": 10}),
    # The library moves at its fixed speed 5: 100 tenths of a degree per second.
    (["ptz", "move", "right", "--for", "1s"], 0, r"Stopped after 1\.\d s",
     lambda j: 80 <= j["position"]["pan"] <= 200 and j["interrupted"] is False),
    (["ptz", "move", "zoom-in", "--for", "0.5s", "--channel", "1"], 0, r"Moving zoom-in for 0\.5 s",
     lambda j: j["position"]["zoom"] > 10),
    (["preset", "set", "3"], 0, r"Preset 3: set done", lambda j: j["preset"] == 3),
    # Each run is a fresh camera: a preset set by an earlier run is gone.
    (["preset", "goto", "3"], 1, None, lambda j: j["error"] == "preset goto 3 failed" and not j["ok"]),
    (["preset", "clear", "300"], 1, None, lambda j: j["error"] == "preset clear 300 failed"),
    (["snapshot", "shot.jpg"], 0, r"Snapshot written to shot\.jpg \(\d+ bytes\)",
     lambda j: j["bytes"] > 1000 and jpeg_written("shot.jpg")),
    (["snapshot", "no-such-folder/shot.jpg"], 1, None, lambda j: j["error"].startswith("snapshot into")),
]


def group_commands():
    for argv, expected, pattern, facts in COMMANDS:
        full, env = with_password(argv)
        code, out, err = run(full, env)
        check(code == expected, f"{argv}: exit code {code}, expected {expected} ({err.strip()})")
        if pattern:
            check(re.search(pattern, out) is not None, f"{argv}: output lacks {pattern!r}: {out!r}")
        if expected != 0:
            check(err.startswith("orvane: "), f"{argv}: failure not reported on stderr: {err!r}")
        code, result, _ = run_json(full, env)
        check(code == expected and result.get("exit_code") == expected, f"{argv} --json: exit code {code}")
        try:
            check(facts(result), f"{argv} --json: unexpected result {result}")
        except (KeyError, TypeError) as e:
            check(False, f"{argv} --json: missing {e} in {result}")
    # The job command needs no login. An ID that names no process fails, yet the
    # call that creates the job still arms it.
    code, out, err = run(["job", str(0x7FFFFFFF)])
    check(code == 1 and "could not be opened" in err, f"job of no process: exit {code}, {err!r}")
    code, result, _ = run_json(["job", str(0x7FFFFFFF)])
    check(code == 1 and result.get("bits", 0) & 32 and not result.get("bits", 0) & 2,
          f"job of no process --json: {result}")
    if args.emulator:
        return  # a Linux process ID means nothing to the Windows build
    # A bound child ends when its host (here the orvane process) ends.
    child = subprocess.Popen(["sleep", "60"])
    try:
        code, out, _ = run(["job", str(child.pid)])
        check(code == 0 and re.search(r"\[x\] 2 ", out) and re.search(r"\[x\] 64 ", out),
              f"job: exit {code}, output {out!r}")
        try:
            child.wait(timeout=10)
        except subprocess.TimeoutExpired:
            check(False, "job: the bound child outlived the orvane process")
    finally:
        child.kill()
        child.wait()


# ---------------------------------------------------------------------------
# Where the password comes from, and what a wrong one gives.
def group_password():
    with open(os.path.join(args.work, "password.txt"), "w") as f:
        f.write(PASSWORD + "\n")
    with open(os.path.join(args.work, "wrong.txt"), "w") as f:
        f.write("guess\n")
    cases = [
        # argv, environment, standard input, exit code, text on stderr
        (["--password-file", "password.txt"], {}, "", 0, None),
        ([], {"ORVANE_PASSWORD": PASSWORD}, "", 0, None),
        ([], {}, PASSWORD + "\n", 0, "Password for admin@" + CAMERA),
        (["--password", PASSWORD], {}, "", 0, "warning: a password on the command line"),
        ([], {}, "", 2, "no password"),
        (["--password-file", "missing.txt"], {}, "", 2, "cannot read the password file"),
        (["--password-file", "wrong.txt"], {}, "", 3, "login to admin@192.0.2.64:8000 failed: "),
        (["--user", "operator"], {"ORVANE_PASSWORD": PASSWORD}, "", 3, "login to operator@192.0.2.64:8000 failed"),
        (["--port", "8001"], {"ORVANE_PASSWORD": PASSWORD}, "", 3, "login to admin@192.0.2.64:8001 failed"),
    ]
    for extra, env, stdin_text, expected, message in cases:
        code, out, err = run(["check", CAMERA] + extra, env, stdin_text)
        check(code == expected, f"check {extra} {env}: exit {code}, expected {expected} ({err.strip()})")
        if message:
            check(message in err, f"check {extra}: stderr lacks {message!r}: {err!r}")
        check(PASSWORD not in out + err, f"check {extra}: the password shows in the output")


# ---------------------------------------------------------------------------
# Every failure prints the library's own failure text: compare the tool's output
# with what the library gives a program that asks it directly.
def group_failure_text():
    cases = [("admin", "guess", 8000), ("admin", PASSWORD, 8001)]
    for user, password, port in cases:
        probe_runner = [args.emulator] if args.emulator else []
        probe = subprocess.run(probe_runner + [args.probe, CAMERA, str(port), user, password], cwd=args.work,
                               stdout=subprocess.PIPE, timeout=120)
        library = json.loads(probe.stdout.decode("utf-8"))
        check(library["login"] < 0, f"probe login {user}/{port} should fail")
        env = {"ORVANE_PASSWORD": password}
        code, result, _ = run_json(["check", CAMERA, "--port", str(port), "--user", user], env)
        code_text, _, err = run(["check", CAMERA, "--port", str(port), "--user", user], env)
        check(code == 3 and code_text == 3, f"failed login {user}/{port}: exit {code}/{code_text}")
        check(result.get("failure_text_available") == library["available"],
              f"tool and library disagree on whether failure texts exist: {result}")
        if library["available"]:
            check(library["text"] != "", "the library gives an empty failure text after a failed login")
            check(result.get("failure_text") == library["text"],
                  f"failure text {result.get('failure_text')!r}, library says {library['text']!r}")
            line = f"error {library['code']}: {library['english']} ({library['text']})"
            check(line in err, f"stderr lacks the failure line {line!r}: {err!r}")
            check(result.get("failure_code") == library["code"] and library["code"] != 0,
                  f"failure code {result.get('failure_code')!r}, library says {library['code']!r}")
            check(result.get("failure_text_en") == library["english"] and library["english"].isascii(),
                  f"English text {result.get('failure_text_en')!r}, library says {library['english']!r}")
        else:
            print("note: this library build has no failure-text export; checking the fallback")
            check(result.get("failure_text") == NO_FAILURE_TEXT and NO_FAILURE_TEXT in err,
                  f"fallback text missing: {result} / {err!r}")


# ---------------------------------------------------------------------------
# Recording: every CSV row is a measurement the stand-in sent, in order, and the
# chart has its three series and labelled axes.
def check_csv_against_trace(csv_name, trace):
    with open(os.path.join(args.work, csv_name), "rb") as f:
        content = f.read().decode("ascii")
    check(content.endswith("\n"), f"{csv_name} ends in the middle of a row")
    lines = content.splitlines()
    check(lines[0] == "time,max_c,min_c,avg_c", f"{csv_name} header is {lines[0]!r}")
    sent = []
    for fields in trace:
        if fields[0] != "event":
            continue
        date, clock = fields[2], fields[3]
        stamp = f"{date[0:4]}-{date[4:6]}-{date[6:8]}T{clock[0:2]}:{clock[2:4]}:{clock[4:6]}"
        readings = ["%.2f" % as_float(fields[i]) for i in (5, 7, 9)]
        sent.append(",".join([stamp] + readings))
    rows = lines[1:]
    check(len(rows) >= 1, f"{csv_name} has no rows")
    # Rows are a subsequence of the sent measurements, in order, none twice.
    position = 0
    for row in rows:
        while position < len(sent) and sent[position] != row:
            position += 1
        check(position < len(sent), f"{csv_name} row {row!r} is not a measurement the camera sent after the last")
        position += 1
    return rows, sent


def check_session_ended(trace):
    # (The library's unload asks the SDK to stop its subscriptions once more, after
    # the cleanup; only the calls of the session itself matter here.)
    calls = [(fields[1], fields[3]) for fields in trace if fields[0] == "call"]
    names = [name for name, _ in calls]
    check("start-remote-config" in names, f"no subscription started: {calls}")
    if "start-remote-config" in names:
        after = calls[names.index("start-remote-config") + 1:]
        check(after[0:2] == [("stop-remote-config", "1"), ("logout", "1")],
              f"calls after the start (name, result): {after}")


def group_record():
    env = {"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_TRACE": "record-trace.txt"}
    code, out, err = run(["thermo", "record", "-a", CAMERA, "--channel", "1", "--duration", "3s",
                          "--interval", "50ms", "--csv", "rec.csv", "--plot", "rec.svg"], env)
    check(code == 0, f"record: exit {code} ({err.strip()})")
    check(re.search(r"\d+ rows in rec\.csv", out) is not None, f"record: no summary in {out!r}")
    check(re.search(r"T\d\d:\d\d:\d\d  max \d+\.\d\d °C", out) is not None, f"record: no plain lines in {out!r}")
    trace = read_trace("record-trace.txt")
    rows, sent = check_csv_against_trace("rec.csv", trace)
    # About 15 events in 3 s; polling at 50 ms misses hardly any.
    check(len(sent) >= 10 and len(rows) >= len(sent) - 2, f"rows {len(rows)} of {len(sent)} sent")
    check_session_ended(trace)

    svg = ET.parse(os.path.join(args.work, "rec.svg")).getroot()
    ns = {"s": "http://www.w3.org/2000/svg"}
    check(svg.tag == "{http://www.w3.org/2000/svg}svg", "the chart is not an SVG document")
    for series in ("max", "min", "avg"):
        line = svg.find(f".//s:polyline[@id='series-{series}']", ns)
        points = line.get("points").split() if line is not None else []
        check(len(points) == len(rows), f"series {series}: {len(points)} points for {len(rows)} rows")
    texts = ["".join(t.itertext()) for t in svg.iter("{http://www.w3.org/2000/svg}text")]
    check("Temperature (°C)" in texts, f"no temperature axis label in {texts}")
    check(any(t.startswith("Time") for t in texts), "no time axis label")
    check(any(re.fullmatch(r"\d\d:\d\d:\d\d", t) for t in texts), "no clock-time tick labels")
    check(all(any(t.startswith(s + " ") for t in texts) for s in ("max", "min", "avg")), "legend incomplete")

    # The JSON summary of a short recording.
    env["HCNETSDK_STANDIN_TRACE"] = "record-json-trace.txt"
    code, result, err = run_json(["thermo", "record", "-a", CAMERA, "--duration", "1s", "--interval", "100ms",
                                  "--csv", "rec-json.csv"], env)
    check(code == 0 and result.get("stopped") is True and result.get("logged_out") is True, f"json: {result}")
    rows, _ = check_csv_against_trace("rec-json.csv", read_trace("record-json-trace.txt"))
    check(result.get("rows") == len(rows), f"json rows {result.get('rows')} vs CSV {len(rows)}")

    # A channel the camera refuses, and a CSV that cannot be created.
    code, _, err = run(["thermo", "record", "-a", CAMERA, "--duration", "1s", "--csv", "no-such-folder/x.csv"], env)
    check(code == 1 and "cannot create" in err, f"unwritable CSV: exit {code}, {err!r}")


# ---------------------------------------------------------------------------
# Ctrl+C ends a recording cleanly: subscription stopped, logged out, CSV whole.
def group_interrupt():
    env = dict(os.environ)
    env.update({"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_TRACE": "interrupt-trace.txt"})
    argv = ["--json", "thermo", "record", "-a", CAMERA, "--duration", "10m", "--interval", "100ms",
            "--csv", "interrupted.csv"]
    # The Windows build runs under wine, which turns SIGINT into the console's Ctrl+C event.
    process = subprocess.Popen(command(argv), cwd=args.work, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
    trace_path = os.path.join(args.work, "interrupt-trace.txt")
    deadline = time.monotonic() + 60
    # Interrupt once a few measurements have arrived.
    while time.monotonic() < deadline:
        if os.path.exists(trace_path) and sum(1 for l in open(trace_path) if l.startswith("event")) >= 5:
            break
        time.sleep(0.1)
    time.sleep(0.3)
    process.send_signal(signal.SIGINT)
    try:
        out, err = process.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        out, err = process.communicate()
        check(False, "the recording did not end on SIGINT")
    check(process.returncode == 0, f"interrupted recording: exit {process.returncode} ({err!r})")
    result = json.loads(out.decode("utf-8")) if out.strip() else {}
    check(result.get("interrupted") is True and result.get("stopped") is True, f"json: {result}")
    trace = read_trace("interrupt-trace.txt")
    rows, _ = check_csv_against_trace("interrupted.csv", trace)
    check(result.get("rows") == len(rows) and len(rows) >= 3, f"rows {result.get('rows')} vs CSV {len(rows)}")
    check_session_ended(trace)


GROUPS = {
    "usage": group_usage,
    "commands": group_commands,
    "password": group_password,
    "failure_text": group_failure_text,
    "record": group_record,
    "interrupt": group_interrupt,
}


def main():
    global args
    parser = argparse.ArgumentParser()
    parser.add_argument("--orvane", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("group", choices=sorted(GROUPS))
    args = parser.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    GROUPS[args.group]()
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
