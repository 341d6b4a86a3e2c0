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
import tempfile
import threading
import time
import xml.etree.ElementTree as ET
from check_report import check, report

CAMERA = "192.0.2.64"
RULES_CAMERA = "192.0.2.66"  # a point rule 1, a box rule 2 and a line rule 3
PASSWORD = "orvane-demo"
NO_FAILURE_TEXT = "(this library build gives no failure text)"

args = None


def command(argv):
    runner = [args.emulator] if args.emulator else []
    return runner + [args.orvane] + argv


def run(argv, env=None, stdin_text="", timeout=120):
    """Runs orvane to its end. Its output goes to files, not pipes: under wine a
    background process that a program starts can inherit the pipes and hold them
    open long after the program ended. A run past `timeout` is a failed check
    that shows what the program had written and which processes were left."""
    environment = dict(os.environ)
    environment.pop("ORVANE_PASSWORD", None)
    environment.update(env or {})
    with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
        process = subprocess.Popen(command(argv), cwd=args.work, env=environment, stdin=subprocess.PIPE,
                                   stdout=stdout, stderr=stderr)
        try:
            process.communicate(stdin_text.encode(), timeout=timeout)
        except subprocess.TimeoutExpired:
            listing = subprocess.run(["ps", "-eo", "pid,ppid,etimes,args"], stdout=subprocess.PIPE).stdout.decode()
            left = "".join(line + "\n" for line in listing.splitlines() if "wine" in line or ".exe" in line)
            process.kill()
            process.wait()
            check(False, f"{argv}: still running after {timeout} s, having written {written(stdout)!r} and "
                  f"{written(stderr)!r}; processes left:\n{left}")
        return process.returncode, written(stdout), written(stderr)


def written(file):
    file.seek(0)
    return file.read().decode("utf-8").replace("\r\n", "\n")


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
# Bad arguments: exit code 2 and a message that names the problem, given before
# any password is asked for (an optional third item: the environment).
NOT_AN_ADDRESS = ": not an IPv4 or IPv6 address or host name"
NOT_LISTEN = ": not an IP address and port"
USAGE = [
    ([], "no command given (commands: check, ptz, preset, position, snapshot, thermo, run, shell, job, serve, service)"),
    (["ptz"], "no command given (commands of ptz: move)"),
    (["--json", "thermo"], "no command given (commands of thermo: rules, record)"),
    (["frobnicate"], "unknown command 'frobnicate'"),
    (["ptz", "wiggle", "-a", CAMERA], "unknown command 'ptz wiggle'"),
    (["check", CAMERA, "--frob"], "--frob"),
    (["--frob", "check", CAMERA], "--frob"),
    (["ptz", "move", "sideways", "-a", CAMERA], "sideways not in"),
    (["ptz", "move", "left", "--for", "fast", "-a", CAMERA], "not a positive duration"),
    (["ptz", "move", "left", "--for", "0s", "-a", CAMERA], "not a positive duration"),
    (["preset", "jump", "1", "-a", CAMERA], "jump not in"),
    (["preset", "set", "-a", CAMERA], "index is required"),
    (["thermo", "record"], "no camera address"),
    (["thermo", "record", "-a", CAMERA, "-a", "192.0.2.65", "-c", "1", "-c", "2", "-c", "3"], "once per camera"),
    (["thermo", "record", "-a", CAMERA, "-a", CAMERA], "named twice"),
    (["thermo", "record", "-a", CAMERA, "--force", "--append"], "excludes"),
    (["thermo", "record", "--csv", "x.csv", "--duration", "ten", "-a", CAMERA], "not a positive duration"),
    (["thermo", "record", "--csv", "x.csv", "--interval", "-1s", "-a", CAMERA], "interval"),
    (["thermo", "record", "--duration", "200h", "-a", CAMERA], "up to 168h"),
    (["thermo", "record", "--rule", "256", "-a", CAMERA], "not a rule ID"),
    (["check", CAMERA, "--port", "70000"], "port"),
    (["check", CAMERA], "--port", {"ORVANE_PORT": "70000"}),
    (["check", CAMERA, "--password", "a", "--password-file", "f"], "excludes"),
    (["check"], "no camera address"),
    (["check"], "no camera address", {"ORVANE_ADDRESS": ""}),
    (["check", "-a", ""], "--address: is empty"),
    (["check", "-a", ""], "--address: is empty", {"ORVANE_ADDRESS": CAMERA}),
    (["check", ""], "address: is empty", {"ORVANE_ADDRESS": CAMERA}),
    (["check", "192.0.2.640"], "address 192.0.2.640" + NOT_AN_ADDRESS),
    (["ptz", "move", "-a", "256.1.1.1", "left"], "--address 256.1.1.1" + NOT_AN_ADDRESS),
    (["snapshot", "x.jpg", "-a", "a" * 64 + ".example"], "--address " + "a" * 64 + ".example" + NOT_AN_ADDRESS),
    (["position"], "ORVANE_ADDRESS bad_host!" + NOT_AN_ADDRESS, {"ORVANE_ADDRESS": "bad_host!"}),
    (["thermo", "record", "-a", ""], "--address is empty"),
    (["thermo", "record", CAMERA, "192.0.2.640"], "address 192.0.2.640" + NOT_AN_ADDRESS),
    (["job", "0"], "pid"),
    (["job", "twelve"], "pid"),
    (["job", "4242"], "--yes"),
    (["job", "1", "--yes"], "refusing"),
    (["run"], "no command given"),
    (["shell"], "no camera address"),
    (["shell", "bad_host!"], "address bad_host!" + NOT_AN_ADDRESS),
    # The address as the first word: never together with another --address,
    # and never where it can only be one of the command's own words.
    (["ptz", "move", CAMERA, "left", "-a", "192.0.2.65"], "two camera addresses"),
    (["check", CAMERA, "-a", "192.0.2.65"], "two camera addresses"),
    (["snapshot", CAMERA, "x.jpg", "--address=192.0.2.65"], "two camera addresses"),
    (["ptz", "move", "left", "right", "-a", CAMERA], "not expected: right"),
    (["preset", "goto", "1", "2", "-a", CAMERA], "not expected: 2"),
    (["preset", CAMERA, "goto"], "index is required"),
    (["snapshot", CAMERA], "file is required"),
    (["ptz", "move", "--", "2001:db8::40"], "direction is required"),
    (["ptz", "move", "cam1", "-a", CAMERA], "cam1 not in"),  # a host name only with a word to spare
    (["serve"], "no camera address: give -a ADDRESS, once per camera, or --config FILE"),
    (["serve", "--config", "no-such.toml"], "no-such.toml: cannot be read"),
    (["serve", "-a", CAMERA, "-a", CAMERA], "named twice"),
    (["serve", "-a", CAMERA, "-c", "1", "-c", "1"], "named twice"),
    (["serve", "-a", ""], "--address is empty"),
    (["serve", "-a", CAMERA, "-a", "256.1.1.1"], "--address 256.1.1.1" + NOT_AN_ADDRESS),
    # Bytes that are not UTF-8 never become a metric's label.
    (["serve", "-a", "cam\udcff"], NOT_AN_ADDRESS),
    (["serve", "-a", CAMERA, "--listen", "9410"], "--listen 9410" + NOT_LISTEN),
    (["serve", "-a", CAMERA, "--listen", "localhost:9410"], "--listen localhost:9410" + NOT_LISTEN),
    (["serve", "-a", CAMERA, "--listen", "127.0.0.1:70000"], "--listen 127.0.0.1:70000" + NOT_LISTEN),
    (["serve", "-a", CAMERA, "--listen", "::1:9410"], "--listen ::1:9410" + NOT_LISTEN),
    (["serve", "-a", CAMERA, "--interval", "0s"], "not a positive duration"),
    (["serve", "-a", CAMERA, "--alarm-above", "hot"], "--alarm-above hot: not C, CAMERA=C"),
    (["serve", "-a", CAMERA, "--alarm-below", "192.0.2.99/1=5"], "192.0.2.99 is not a camera given with -a"),
]


def group_usage():
    # No password and standard input closed: a check made only after the
    # prompt would fail with "no password" instead of its own message.
    for argv, message, *env in USAGE:
        env = env[0] if env else None
        code, out, err = run(argv, env)
        check(code == 2, f"{argv}: exit code {code}, expected 2 ({err.strip()})")
        check(message in err, f"{argv}: stderr lacks {message!r}: {err!r}")
        check("Password for" not in err and "no password" not in err,
              f"{argv}: a password was asked for before the refusal: {err!r}")
        # With --json the same failure is one JSON object on standard output.
        code, result, _ = run_json(argv, env)
        check(code == 2 and result.get("ok") is False and result.get("exit_code") == 2 and
              message in result.get("error", ""), f"--json {argv}: {result}")
    code, out, _ = run(["--help"])
    check(code == 0 and "Exit codes" in out and "thermo" in out and "5 a recording's alarm" in out and
          "130 interrupted" in out and "1 when it could not be bound" in out and "docs/orvane.md" in out,
          "--help shows commands and exit codes, as the manual does, and names the manual")
    code, out, _ = run(["run", "--help"])
    usage = [line for line in out.splitlines() if line.startswith("Usage")]
    check(code == 0 and usage == ["Usage: orvane [--json] run [--] COMMAND [ARG...]"], f"run --help: {usage}")
    # The documents' own commands never put the password on the command line.
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    for name in ("README.md", "docs/integrators-guide.md"):
        with open(os.path.join(root, name), encoding="utf-8") as f:
            shown = [line for line in f if re.search(r"\borvane(\.exe)? .*--password(?!-file)", line)]
        check(shown == [], f"{name} passes the password on the command line: {shown}")
    check_serve_help(root)
    # --web.config.file before any password: a file that cannot be read, or
    # in the Windows build (no TLS there) the option itself, with what to do.
    code, _, err = run(["serve", "-a", CAMERA, "--web.config.file", "no-such.yml"])
    wanted = "not available in the Windows build of orvane. Listen on loopback" if args.emulator else "cannot read it"
    check(code == 2 and "--web.config.file no-such.yml: " in err and wanted in err, f"--web.config.file: {code} {err!r}")
    if not args.emulator:  # under wine it installs: service_win_test.py
        code, _, err = run(["service", "install", "--", "serve", "--config", "/etc/orvane/site.toml"])
        check(code == 2 and "orvane service is for Windows" in err and "orvane-serve.service" in err,
              f"service install on Linux: {code} {err!r}")
    code, out, _ = run(["--version"])
    check(code == 0 and re.fullmatch(r"orvane \d+\.\d+\.\d+(\.\d+)?\n", out) is not None, f"--version: {out!r}")
    # --quiet leaves only what must be seen; --verbose adds to the normal output.
    full, env = with_password(["position"])
    normal, quiet, verbose = (run(flag + full, env)[1] for flag in ([], ["--quiet"], ["--verbose"]))
    check("PTZ position" in normal and quiet == "", f"--quiet printed {quiet!r}")
    check(verbose.startswith("Library ") and normal in verbose, f"--verbose printed {verbose!r}")



def check_serve_help(root):
    """serve --help and the manual's serve section name the same options and exit codes."""
    code, out, _ = run(["serve", "--help"])
    # An option's names start its line: "-a,--address", "--listen,--web.listen-address".
    helped = {name for names in re.findall(r"^\s+(-[\w.,-]+)", out, re.M) for name in names.split(",")
              if name.startswith("--")} - {"--help"}
    helped_codes = set(re.findall(r"(\d+) [a-z]", out[out.index("Exit codes:"):])) if "Exit codes:" in out else set()
    with open(os.path.join(root, "docs", "orvane.md"), encoding="utf-8") as f:
        manual = f.read()
    section = manual[manual.index("### serve"):manual.index("\n## ", manual.index("### serve"))]
    # An option's bullet names it, with its short form or its siblings, before the colon.
    heads = re.findall(r"^- (`-.*?):", section, re.M)
    documented = {name for head in heads for name in re.findall(r"`(--[\w.-]+)`", head)}
    status = re.search(r"Exit status: (.*?)\.", section, re.S)
    documented_codes = set(re.findall(r"(\d+)\s+(?:after|when|for)", status.group(1))) if status else set()
    check(code == 0 and helped == documented, f"serve --help and the manual differ: {helped ^ documented}")
    check(helped_codes == documented_codes == {"0", "1", "2", "4"},
          f"serve's exit codes: --help {helped_codes}, manual {documented_codes}")


# ---------------------------------------------------------------------------
# Each command against the stand-in: exit code, a line of its readable output,
# and facts of its JSON result.
def jpeg_written(name):
    path = os.path.join(args.work, name)
    with open(path, "rb") as f:
        return f.read(3) == b"\xff\xd8\xff"


COMMANDS = [
    # JSON in the text's units (degrees, magnification), the camera's tenths as "raw".
    (["check", CAMERA], 0, r"PTZ ranges: +pan 0\.0 to 360\.0 deg",
     lambda j: j["ranges"]["pan_max"] == 360.0 and j["ranges"]["raw"]["pan_max"] == 3600 and
     j["position"]["zoom"] == 1.0 and j["logged_out"]),
    (["position"], 0, r"PTZ position: pan 0\.0 deg, tilt 0\.0 deg, zoom 1\.0x",
     lambda j: j["position"] == {"pan": 0, "tilt": 0, "zoom": 1.0, "raw": {"pan": 0, "tilt": 0, "zoom": 10}}),
    # The library moves at its fixed speed 5: 10 degrees per second.
    (["ptz", "move", "right", "--for", "1s"], 0, r"Stopped after 1\.\d s",
     lambda j: 8 <= j["position"]["pan"] <= 20 and j["interrupted"] is False),
    (["ptz", "move", "zoom-in", "--for", "0.5s", "--channel", "1"], 0, r"Moving zoom-in for 0\.5 s",
     lambda j: j["position"]["zoom"] > 1),
    (["preset", "set", "3"], 0, r"Preset 3: set done", lambda j: j["preset"] == 3),
    # Each run is a fresh camera: a preset set by an earlier run is gone.
    (["preset", "goto", "3"], 1, None, lambda j: j["error"] == "preset goto 3 failed" and not j["ok"]),
    (["preset", "clear", "300"], 1, None, lambda j: j["error"] == "preset clear 300 failed"),
    (["snapshot", "shot.jpg", "--force"], 0, r"Snapshot written to shot\.jpg \(\d+ bytes\)",
     lambda j: j["bytes"] > 1000 and jpeg_written("shot.jpg")),
    (["thermo", "rules", "--for", "1s"], 0, r"rule 1  line  preset 0  max \d+\.\d\d °C",
     lambda j: [(r["rule"], r["type"], r["preset"]) for r in j["rules"]] == [(1, "line", 0)] and
     j["rules"][0]["measurements"] >= 1 and "max" in j["rules"][0] and "point" not in j["rules"][0]),
    # Files that cannot be written, or would be replaced, are refused before the
    # library is loaded and anyone logs in.
    (["snapshot", "shot.jpg"], 1, None, lambda j: "exists; give --force" in j["error"] and not_logged_in(j)),
    (["snapshot", "no-such-folder/shot.jpg"], 1, None,
     lambda j: "folder no-such-folder does not exist" in j["error"] and not_logged_in(j)),
    (["thermo", "record", "--csv", "no-such-folder/t.csv", "-d", "1s"], 1, None,
     lambda j: "no-such-folder" in j["error"] and not_logged_in(j)),
    (["thermo", "record", "--plot", "shot.jpg/t.svg", "-d", "1s"], 1, None,
     lambda j: "cannot write shot.jpg/t.svg" in j["error"] and not_logged_in(j)),
]


def not_logged_in(result):
    return "failure_text_available" not in result and "rows" not in result


def group_commands():
    for argv, expected, pattern, facts in COMMANDS:
        full, env = with_password(argv)
        code, out, err = run(full, env)
        check(code == expected, f"{argv}: exit code {code}, expected {expected} ({err.strip()})")
        if pattern:
            check(re.search(pattern, out) is not None, f"{argv}: output lacks {pattern!r}: {out!r}")
        if expected != 0:
            check(err.startswith("orvane: "), f"{argv}: failure not reported on stderr: {err!r}")
            check("0 rows" not in out, f"{argv}: {out!r}")
        code, result, _ = run_json(full, env)
        check(code == expected and result.get("exit_code") == expected, f"{argv} --json: exit code {code}")
        try:
            check(facts(result), f"{argv} --json: unexpected result {result}")
        except (KeyError, TypeError) as e:
            check(False, f"{argv} --json: missing {e} in {result}")
    # Every camera command takes the address as its first word, which beats
    # ORVANE_ADDRESS (an address outside the site).
    for argv, stdin_text in ((["position", CAMERA], ""), (["shell", CAMERA], "position\n"),
                             (["thermo", "record", CAMERA, "-d", "1s"], ""),
                             (["thermo", "rules", RULES_CAMERA, "--for", "1s"], ""),
                             (["check", CAMERA, "--address", CAMERA], ""),
                             (["ptz", "move", CAMERA, "left", "--for", "0.2s"], ""),
                             (["ptz", "move", "-c", "1", CAMERA, "up", "--for=0.2s"], ""),
                             (["preset", CAMERA, "set", "2"], ""),
                             (["preset", "--channel", "1", CAMERA, "clear", "2"], ""),
                             (["snapshot", CAMERA, "word.jpg"], ""),
                             (["snapshot", "--force", "--", CAMERA, "word.jpg"], "")):
        code, out, err = run(argv, {"ORVANE_PASSWORD": PASSWORD, "ORVANE_ADDRESS": "192.0.3.1"}, stdin_text)
        camera = RULES_CAMERA if RULES_CAMERA in argv else CAMERA
        check(code == 0 and f"Logged in to admin@{camera}:8000" in out, f"{argv}: exit {code} {err!r}")
    # The job command needs no login. An ID that names no process fails, yet the
    # call that creates the job still arms it.
    code, out, err = run(["job", str(0x7FFFFFFF), "--yes"])
    check(code == 1 and "could not be opened" in err and "dies when" in err, f"job of no process: exit {code}, {err!r}")
    code, result, _ = run_json(["job", str(0x7FFFFFFF), "--yes"])
    check(code == 1 and result.get("bits", 0) & 32 and not result.get("bits", 0) & 2,
          f"job of no process --json: {result}")
    if args.emulator:
        return  # a Linux process ID means nothing to the Windows build
    # A bound child ends when its host (here the orvane process) ends.
    child = subprocess.Popen(["sleep", "60"])
    try:
        code, out, _ = run(["job", str(child.pid), "--yes"])
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
SVG = "{http://www.w3.org/2000/svg}"
CSV_HEADER = "camera,channel,rule,type,preset,time,host_time,point_c,max_c,min_c,avg_c"
HOST_TIME = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d")


def read_csv(csv_name):
    with open(os.path.join(args.work, csv_name), "rb") as f:
        content = f.read().decode("ascii")
    check(content.endswith("\n"), f"{csv_name} ends in the middle of a row")
    lines = content.splitlines()
    check(lines[0] == CSV_HEADER, f"{csv_name} header is {lines[0]!r}")
    return [line.split(",") for line in lines[1:]]


def check_csv_against_trace(csv_name, trace, camera=CAMERA):
    sent = []
    for fields in trace:
        if fields[0] != "event":
            continue
        date, clock = fields[2], fields[3]
        stamp = f"{date[0:4]}-{date[4:6]}-{date[6:8]}T{clock[0:2]}:{clock[2:4]}:{clock[4:6]}"
        readings = ["%.2f" % as_float(fields[i]) for i in (5, 7, 9)]
        sent.append(",".join([stamp] + readings))
    rows = []
    for fields in read_csv(csv_name):
        check(fields[0:5] == [camera, "1", "1", "line", "0"] and fields[7] == "",
              f"{csv_name}: camera, channel, rule, type, preset, point {fields[0:5] + fields[7:8]}")
        check(HOST_TIME.fullmatch(fields[6]) is not None, f"{csv_name}: host_time {fields[6]!r}")
        rows.append(",".join([fields[5]] + fields[8:]))
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
    # Longer than the five seconds of silence after which a subscription is
    # restarted, so that a healthy one that were taken for silent would show.
    code, out, err = run(["thermo", "record", "-a", CAMERA, "--channel", "1", "--duration", "6s",
                          "--interval", "50ms", "--csv", "rec.csv", "--plot", "rec.svg"], env)
    check(code == 0, f"record: exit {code} ({err.strip()})")
    check(re.search(r"\d+ rows in rec\.csv", out) is not None, f"record: no row count in {out!r}")
    check(re.search(r"Summary 192\.0\.2\.64 ch 1 rule 1 line: \d+ rows; peak max \d+\.\d\d °C at \S+; min \d+\.\d\d °C; mean",
                    out) is not None, f"record: no summary in {out!r}")
    check(re.search(r"T\d\d:\d\d:\d\d  rule 1 line  max \d+\.\d\d °C", out) is not None, f"record: no plain lines in {out!r}")
    # A camera that streams steadily is never restarted.
    check("192.0.2.64 ch 1: 0 restarts of the subscription" in out, f"record: a healthy recording restarted: {out!r}")
    trace = read_trace("record-trace.txt")
    rows, sent = check_csv_against_trace("rec.csv", trace)
    # About 30 events in 6 s; polling at 50 ms misses hardly any.
    check(len(sent) >= 20 and len(rows) >= len(sent) - 2, f"rows {len(rows)} of {len(sent)} sent")
    check_session_ended(trace)

    svg = ET.parse(os.path.join(args.work, "rec.svg")).getroot()
    ns = {"s": "http://www.w3.org/2000/svg"}
    check(svg.tag == "{http://www.w3.org/2000/svg}svg", "the chart is not an SVG document")
    for series in ("max", "min", "avg"):
        line = svg.find(f".//s:polyline[@id='series-1-{series}']", ns)
        points = line.get("points").split() if line is not None else []
        check(len(points) == len(rows), f"series {series}: {len(points)} points for {len(rows)} rows")
        markers = svg.find(f".//s:g[@id='series-1-{series}-markers']", ns)
        check(markers is not None and len(list(markers)) == len(rows), f"series {series}: a marker per row")
    texts = ["".join(t.itertext()) for t in svg.iter("{http://www.w3.org/2000/svg}text")]
    check(CAMERA + " ch 1" in texts[0], f"chart title {texts[0]!r} lacks the camera")
    peak = max(float(r.split(",")[1]) for r in rows)
    check(f"peak {peak:.2f} °C" in texts, f"no peak label {peak:.2f} in {texts}")
    check("Temperature (°C)" in texts, f"no temperature axis label in {texts}")
    check(any(t.startswith("Time") for t in texts), "no time axis label")
    check(any(re.fullmatch(r"\d\d:\d\d:\d\d", t) for t in texts), "no clock-time tick labels")
    check(all(any(t.startswith(s + " ") for t in texts) for s in ("max", "min", "avg")), "legend incomplete")

    # Polling slower than the camera sends misses measurements; the summary
    # says what sees them.
    code, out, err = run(["thermo", "record", CAMERA, "--duration", "2s"], env)
    check(code == 0 and re.search(r"ch 1: 0 restarts of the subscription, [1-9]\d* measurements missed between "
                                  r"polls \(a shorter --interval sees more of them\)", out), f"missed: {out!r}")

    # The JSON summary of a short recording.
    env["HCNETSDK_STANDIN_TRACE"] = "record-json-trace.txt"
    code, result, err = run_json(["thermo", "record", "-a", CAMERA, "--duration", "1s", "--interval", "100ms",
                                  "--csv", "rec-json.csv"], env)
    check(code == 0 and result.get("stopped") is True and result.get("logged_out") is True and
          result.get("restarts") == 0, f"json: {result}")
    rows, _ = check_csv_against_trace("rec-json.csv", read_trace("record-json-trace.txt"))
    check(result.get("rows") == len(rows), f"json rows {result.get('rows')} vs CSV {len(rows)}")
    summary = (result.get("cameras") or [{}])[0]
    rule = (summary.get("rules") or [{}])[0]
    check(summary.get("rows") == len(rows) and summary.get("camera") == CAMERA and
          (rule.get("rule"), rule.get("type"), rule.get("rows")) == (1, "line", len(rows)) and
          rule.get("peak_max") == max(float(r.split(",")[1]) for r in rows), f"json summary {summary}")
    group_record_files(env)
    group_record_rules(env)


def group_record_rules(env):
    """A camera with a point, a box and a line rule: each rule its own rows."""
    code, result, _ = run_json(["thermo", "rules", "-a", RULES_CAMERA, "--for", "1s"], env)
    rules = [(r.get("rule"), r.get("type"), "point" in r, "max" in r) for r in result.get("rules", [])]
    check(code == 0 and rules == [(1, "point", True, False), (2, "box", False, True), (3, "line", False, True)],
          f"thermo rules: {result}")
    code, result, err = run_json(["thermo", "record", "-a", RULES_CAMERA, "--rule", "1", "--rule", "3",
                                  "--duration", "1500ms", "--interval", "100ms", "--csv", "rules.csv",
                                  "--plot", "rules.svg", "--alarm-above", "20"], env)
    rows = read_csv("rules.csv")
    kinds = {(r[2], r[3]) for r in rows}
    points = [r for r in rows if r[3] == "point"]
    check(code == 5 and kinds == {("1", "point"), ("3", "line")} and
          all(r[7] != "" and r[8:] == ["", "", ""] for r in points), f"rules recorded: {kinds} {err!r}")
    summary = (result.get("cameras") or [{}])[0]
    # Rule 2's measurements were left out on purpose, not missed.
    check([(r["rule"], r["rows"]) for r in summary.get("rules", [])] ==
          [(1, len(points)), (3, len(rows) - len(points))] and summary.get("missed", 99) <= 2,
          f"rules summary {summary}")
    # A point reading above the threshold is an alarm of its own rule.
    check(sorted({a["rule"] for a in result.get("alarm_list", [])}) == [1, 3], f"alarms per rule: {result}")
    svg = ET.parse(os.path.join(args.work, "rules.svg")).getroot()
    ids = {e.get("id") for e in svg.iter(f"{SVG}polyline")}
    check(ids == {"series-1-point", "series-2-max", "series-2-avg", "series-2-min"}, f"rule chart series {ids}")


def group_record_files(env):
    """What a recording does with the files it is given, and its alarms."""
    record = ["thermo", "record", "-a", CAMERA, "--duration", "1s", "--interval", "100ms"]
    # Files that the refused recordings below must leave byte for byte.
    untouched = {
        "kept.csv": b"precious\n",
        "other.csv": b"a,b,c\r\n1,2,3\n",
        "old.csv": CSV_HEADER.encode() + b"\n192.0.2.64,1,1,line,0,2026-12-07T10:00:00,"
                   b"2026-12-07T10:00:00.000+00:00,,30.00,20.00,25.00\n",
        "same.csv": CSV_HEADER.encode() + b"\n",
        # The columns of a recording from before rules.
        "old-columns.csv": b"camera,channel,time,host_time,max_c,min_c,avg_c\n",
    }
    for name, content in untouched.items():
        with open(os.path.join(args.work, name), "wb") as f:
            f.write(content)
    cases = [
        # extra arguments, exit code, text on stderr
        # Files that cannot be written are refused before the login.
        (["--csv", "no-such-folder/x.csv"], 1, "the folder no-such-folder does not exist"),
        (["--csv", "kept.csv"], 1, "kept.csv exists"),
        (["--plot", "kept.csv"], 1, "kept.csv exists"),
        (["--csv", "other.csv", "--append"], 1, "other columns"),
        (["--csv", "old-columns.csv", "--append"], 1, "other columns"),
        # A refused chart leaves the CSV to append to untouched.
        (["--csv", "old.csv", "--append", "--plot", "no-such-folder/c.svg"], 1, "does not exist"),
        # One file for both would end up holding the chart alone.
        (["--csv", "same.csv", "--plot", "same.csv", "--force"], 1, "same file"),
        (["--csv", "./same.csv", "--plot", "no-such-folder/../same.csv", "--append"], 1, "same file"),
        (["--csv", "new-same.csv", "--plot", "new-same.csv"], 1, "same file"),
        (["--csv", "fresh.csv", "--alarm-above", "10"], 5, "1 alarm fired"),
        (["--csv", "fresh2.csv", "--alarm-below", "100", "--alarm-above", "200"], 5, "1 alarm fired"),
        (["--csv", "fresh3.csv", "--alarm-above", "200", "--alarm-below", "-50"], 0, None),
    ]
    if not args.emulator:
        os.symlink("same.csv", os.path.join(args.work, "link.svg"))
        cases += [(["--csv", "/dev/full"], 1, "writing /dev/full failed"),
                  (["--plot", "/dev/full"], 1, "writing the chart /dev/full failed"),
                  (["--csv", "same.csv", "--plot", "link.svg", "--force"], 1, "same file")]
    for extra, expected, message in cases:
        code, out, err = run(record + extra, env)
        check(code == expected, f"record {extra}: exit {code}, expected {expected} ({err.strip()})")
        if message:
            check(message in err, f"record {extra}: stderr lacks {message!r}: {err!r}")
        if "does not exist" in (message or ""):
            check(out == "", f"record {extra} logged in or counted rows: {out!r}")
    for name, content in untouched.items():
        with open(os.path.join(args.work, name), "rb") as f:
            check(f.read() == content, f"a refused recording changed {name}")
    check(not os.path.exists(os.path.join(args.work, "new-same.csv")), "a refused recording left new-same.csv")
    if not args.emulator:
        # Rows reach the file as they come: a full disk fails at the header, not at the end.
        code, result, _ = run_json(record + ["--csv", "/dev/full"], env)
        check(code == 1 and result.get("rows") == 0, f"/dev/full: failed after {result.get('rows')} rows")
    # The refusal comes before the login: a camera that is not there is not even asked.
    code, _, err = run(["thermo", "record", "-a", "198.18.0.1", "--csv", "kept.csv"], env)
    check(code == 1 and "exists" in err, f"refusal before login: exit {code}, {err!r}")
    # --force writes over it, --append adds rows under the one header and
    # replaces the chart with one whole SVG document.
    code, _, _ = run(record + ["--csv", "kept.csv", "--force", "--plot", "again.svg"], env)
    first = read_csv("kept.csv")
    code2, _, _ = run(record + ["--csv", "kept.csv", "--append", "--plot", "again.svg"], env)
    both = read_csv("kept.csv")
    check(code == 0 and code2 == 0 and len(both) > len(first) >= 1 and both[:len(first)] == first,
          f"--force then --append: {len(first)} then {len(both)} rows")
    try:
        svg = ET.parse(os.path.join(args.work, "again.svg")).getroot()
        points = svg.find(".//{http://www.w3.org/2000/svg}polyline[@id='series-1-max']").get("points").split()
        check(len(points) == len(both), f"appended chart: {len(points)} points for {len(both)} rows in the CSV")
    except (ET.ParseError, AttributeError) as e:
        check(False, f"--append --plot onto a chart: not one SVG document ({e})")
    # A failed --append run (a wrong password, a camera out of reach) leaves the
    # CSV and the chart as they were, and so does a run that draws no chart (no
    # measurement arrived, no rows before).
    before = {"kept-append.csv": untouched["old.csv"], "kept-append.svg": b"<svg>the chart before</svg>\n"}
    with_csv = ["--csv", "kept-append.csv", "--plot", "kept-append.svg", "--append"]
    for changed_env, extra, expected, message in [
            ({"ORVANE_PASSWORD": "wrong"}, with_csv, 3, "login to"),
            ({}, with_csv + ["--port", "1"], 3, "login to"),
            ({"HCNETSDK_STANDIN_STREAM": "silent"}, ["--plot", "kept-append.svg", "--append"], 0,
             "no chart was drawn")]:
        for name, content in before.items():
            with open(os.path.join(args.work, name), "wb") as f:
                f.write(content)
        code, _, err = run(record + extra, dict(env, **changed_env))
        check(code == expected and message in err, f"record {changed_env} {extra}: exit {code}, {err!r}")
        for name, content in before.items():
            path = os.path.join(args.work, name)
            check(os.path.exists(path) and open(path, "rb").read() == content,
                  f"record {changed_env} {extra} changed or removed {name}")
    # --append --plot twice onto new files: one whole SVG document of the rows of both runs.
    rows = []
    for _ in range(2):
        code, _, err = run(record + ["--csv", "twice.csv", "--plot", "twice.svg", "--append"], env)
        check(code == 0, f"record --append --plot: exit {code} ({err.strip()})")
        rows.append(len(read_csv("twice.csv")))
    try:
        with open(os.path.join(args.work, "twice.svg"), "rb") as f:
            chart = f.read()
        svg = ET.fromstring(chart)
        lines = [e for e in svg.iter(f"{SVG}polyline") if e.get("id").startswith("series-1-max")]
        points = sum(len(e.get("points").split()) for e in lines)
        check(chart.count(b"<svg") == 1 and rows[1] > rows[0] >= 1 and points == rows[1],
              f"--append --plot twice: {points} points for {rows} rows in the CSV")
    except ET.ParseError as e:
        check(False, f"--append --plot twice: not one SVG document ({e})")
    # An alarm line once per crossing, with --quiet too; --json lists each alarm.
    code, out, _ = run(["--quiet"] + record + ["--alarm-above", "10"], env)
    check(code == 5 and out.count("ALARM") == 1 and "max" in out, f"alarm under --quiet: {out!r}")
    code, result, _ = run_json(record + ["--alarm-above", "10", "--alarm-below", "100"], env)
    alarms = result.get("alarm_list", [])
    check(code == 5 and result.get("alarms") == 2 and
          sorted((a["side"], a["threshold"], a["camera"], a["rule"]) for a in alarms) ==
          [("above", 10, CAMERA, 1), ("below", 100, CAMERA, 1)] and
          all(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d", a["time"]) and 10 < a["reading"] < 100 for a in alarms),
          f"alarm list: {result}")


# ---------------------------------------------------------------------------
# A recording over subscriptions that misbehave, and one killed outright.
ROW_LINE = re.compile(r"^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)  rule \d+ \w+  max (\d+\.\d\d) °C", re.M)


def group_record_faults():
    record = ["thermo", "record", "-a", CAMERA, "--interval", "100ms"]
    # Polled once a second, most measurements (one every 200 ms) arrive unseen:
    # counted as missed, so that rows and missed add up to what was sent.
    env = {"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_TRACE": "missed-trace.txt"}
    code, result, _ = run_json(["thermo", "record", "-a", CAMERA, "--interval", "1s", "--duration", "2s"], env)
    sent = sum(1 for fields in read_trace("missed-trace.txt") if fields[0] == "event")
    rows, missed = result.get("rows", 0), result.get("missed", 0)
    check(code == 0 and missed >= 3 and sent - 2 <= rows + missed <= sent and
          (result.get("cameras") or [{}])[0].get("missed") == missed,
          f"missed: {rows} rows and {missed} missed of {sent} sent: {result}")
    # A camera that fails every subscription: each restart stops the old one
    # first, restarts are spaced out (1 s, then 2 s, ...; polling every 100 ms
    # would restart 20 times), and none is left.
    env = {"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_TRACE": "failing-trace.txt",
           "HCNETSDK_STANDIN_STREAM": "failing"}
    code, result, _ = run_json(record + ["--duration", "2500ms"], env)
    calls = [(f[1], f[3]) for f in read_trace("failing-trace.txt") if f[0] == "call"]
    subscription = [c for c in calls if c[0] in ("start-remote-config", "stop-remote-config")]
    expected = [("start-remote-config", "0"), ("stop-remote-config", "1")] * (result.get("restarts", 0) + 1)
    names = [c[0] for c in calls]
    check(code == 0 and 2 <= result.get("restarts", 0) <= 3 and subscription == expected and "logout" in names and
          names.index("logout") > len(names) - 1 - names[::-1].index("stop-remote-config"),
          f"failing camera: {result.get('restarts')} restarts, calls {calls}")
    # A silent subscription: plain output says so once, not at every poll.
    env = {"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_STREAM": "silent"}
    code, out, _ = run(record + ["--duration", "2500ms"], env)
    health = [line for line in out.splitlines() if "subscription:" in line]
    check(code == 0 and len(health) == 1 and "no data" in health[0], f"silent subscription: {health}")
    record_through_an_outage()
    if args.emulator:
        return  # SIGKILL reaches wine, not the Windows program
    # Killed outright, the recorder leaves in its CSV every row it printed, and a whole chart.
    environment = dict(os.environ)
    environment["ORVANE_PASSWORD"] = PASSWORD
    # --duration 0, like none, records until Ctrl+C.
    process = subprocess.Popen(command(record + ["--duration", "0", "--csv", "killed.csv", "--plot", "killed.svg"]),
                               cwd=args.work,
                               env=environment, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    printed, lines = [], ""
    deadline = time.monotonic() + 60
    while len(printed) < 4 and time.monotonic() < deadline:
        line = process.stdout.readline().decode("utf-8")
        if not line:
            break
        lines += line
        printed += ROW_LINE.findall(line)
    check("until Ctrl+C" in lines, f"a recording without duration: {lines!r}")
    process.kill()
    process.wait()
    process.stdout.close()
    kept = {(fields[5], fields[8]) for fields in read_csv("killed.csv")}
    check(len(printed) == 4 and set(printed) <= kept, f"killed recorder: printed {printed}, CSV kept {kept}")
    try:
        ET.parse(os.path.join(args.work, "killed.svg"))
    except ET.ParseError as e:
        check(False, f"killed recorder: the chart is not a whole SVG document ({e})")


def control_later(folder, delay, line, name):
    """Hands a line to the stand-in's control folder `delay` seconds from now."""
    def send():
        time.sleep(delay)
        path = os.path.join(folder, name)
        with open(path + ".tmp", "w", encoding="ascii") as f:
            f.write(line + "\n")
        os.rename(path + ".tmp", path + ".cmd")
    thread = threading.Thread(target=send, daemon=True)
    thread.start()
    return thread


def record_through_an_outage():
    """The camera goes off the network for longer than the silence limit and comes
    back: the recording logs in again and goes on, its rows resume, its chart
    breaks the lines over the gap, its summary counts the login and the time
    without data, and it exits 0 having recorded its whole duration."""
    folder = os.path.join(args.work, "outage-control")
    os.makedirs(folder, exist_ok=True)
    env = {"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_CONTROL": folder}
    senders = [control_later(folder, 2, f"offline {CAMERA}", "1-offline"),
               # Back by 11 s: the login's pauses (1, 2, 4, then 8 s) bring a try before 24 s
               # whenever the tries before it fell; from 14 s the next pause could be 16 s.
               control_later(folder, 11, f"online {CAMERA}", "2-online")]
    started = time.time()
    code, result, err = run_json(["thermo", "record", "-a", CAMERA, "--interval", "200ms", "--duration", "24s",
                                  "--csv", "outage.csv", "--plot", "outage.svg"], env)
    for sender in senders:
        sender.join()
    camera = (result.get("cameras") or [{}])[0]
    check(code == 0 and result.get("logins_again", 0) >= 1 and camera.get("seconds_without_data", 0) >= 8 and
          result.get("logged_out") is True, f"recording through an outage: {code} {result} {err!r}")
    late = [row for row in read_csv("outage.csv") if row[6] and row[6][:19] >= time.strftime(
        "%Y-%m-%dT%H:%M:%S", time.localtime(started + 15))]
    check(len(late) >= 2, f"no rows after the camera came back: {late}")
    try:
        chart = ET.parse(os.path.join(args.work, "outage.svg")).getroot()
        lines = [e for e in chart.iter() if e.tag.endswith(("polyline", "path")) and
                 e.get("id", "").startswith("series-1-max")]
        check(len(lines) >= 2 or any(e.get("d", "").count("M") >= 2 for e in lines),
              f"the chart's line is not broken over the gap: {[e.attrib for e in lines][:3]}")
    except ET.ParseError as e:
        check(False, f"outage: the chart is not one SVG document ({e})")
    first_line = next((line for line in err.splitlines() if "error" in line), "")
    check("error 7" in first_line, f"the log's first failure names the network: {err!r}")


def check_chart_layout(name, thresholds):
    """The chart's layout rules, on its geometry: every label box inside the plot
    and clear of the others (so clear of the legend and axis labels outside it)
    and of every peak marker,
    the time axis ending at the data, sets differing in colour and dash, and a
    line per alarm threshold."""
    svg = ET.parse(os.path.join(args.work, name)).getroot()
    box = lambda e: tuple(float(e.get(k)) for k in ("x", "y", "width", "height"))
    plot = box(svg.find(f".//{SVG}rect[@id='plot-area']"))
    labels = [box(e) for e in svg.iter(f"{SVG}rect") if e.get("class") == "label-box"]
    check(len(labels) >= 1 + len(thresholds), f"{name}: label boxes {labels}")
    for i, (x, y, w, h) in enumerate(labels):
        check(plot[0] <= x and x + w <= plot[0] + plot[2] and plot[1] <= y and y + h <= plot[1] + plot[3],
              f"{name}: label box {labels[i]} outside the plot {plot}")
        for (x2, y2, w2, h2) in labels[i + 1:]:
            check(x + w <= x2 or x2 + w2 <= x or y + h <= y2 or y2 + h2 <= y,
                  f"{name}: label boxes overlap: {labels[i]} and {(x2, y2, w2, h2)}")
    # No label hides a peak's marker, its own or another's.
    peaks = [g.find(f"{SVG}circle") for g in svg.iter(f"{SVG}g") if re.fullmatch(r"peak-\d+", g.get("id", ""))]
    check(len(peaks) >= 1, f"{name}: no peak marked")
    for circle in peaks:
        cx, cy, r = (float(circle.get(k)) for k in ("cx", "cy", "r"))
        covering = [b for b in labels if b[0] < cx + r and cx - r < b[0] + b[2] and b[1] < cy + r and cy - r < b[1] + b[3]]
        check(covering == [], f"{name}: the peak marker at {cx},{cy} lies under the label box {covering}")
    lines = [e for e in svg.iter(f"{SVG}polyline")]
    xs = [float(p.split(",")[0]) for e in lines for p in e.get("points").split()]
    axis = svg.find(f".//{SVG}g[@id='x-axis']")
    check(xs and abs(float(axis.get("data-last")) - max(xs)) < 0.11 and
          abs(float(axis.get("data-last")) - (plot[0] + plot[2])) < 0.11 and abs(min(xs) - plot[0]) < 0.11,
          f"{name}: the time axis does not end at the data ({max(xs) if xs else None} of {plot})")
    maxima = [e for e in lines if e.get("id").endswith("-max")]
    styles = {(e.get("stroke"), e.get("stroke-dasharray")) for e in maxima}
    check(len({s[0] for s in styles}) == len(maxima) and len({s[1] for s in styles}) == len(maxima),
          f"{name}: sets not told apart by colour and dash: {styles}")
    for side in thresholds:
        check(svg.find(f".//{SVG}line[@id='threshold-{side}']") is not None, f"{name}: no {side} threshold line")


# ---------------------------------------------------------------------------
# Two cameras in one recording: one login and subscription each, one CSV with
# a camera column, a chart with a set of series per camera.
def group_cameras():
    env = {"ORVANE_PASSWORD": PASSWORD}
    other = "192.0.2.65"
    code, result, err = run_json(["thermo", "record", "-a", CAMERA, "-a", other, "--channel", "1", "--duration",
                                  "2s", "--interval", "50ms", "--csv", "two.csv", "--plot", "two.svg"], env)
    check(code == 0 and result.get("logged_out") is True, f"two cameras: exit {code}, {result} {err!r}")
    rows = read_csv("two.csv")
    by_camera = {c: [r[7:] for r in rows if r[0] == c] for c in (CAMERA, other)}
    check(all(len(v) >= 5 for v in by_camera.values()), f"rows per camera {[len(v) for v in by_camera.values()]}")
    check(by_camera[CAMERA] != by_camera[other], "the two cameras measured the same")
    check([c.get("camera") for c in result.get("cameras", [])] == [CAMERA, other], f"json cameras {result}")
    svg = ET.parse(os.path.join(args.work, "two.svg")).getroot()
    ids = {e.get("id") for e in svg.iter() if e.get("id")}
    check({"series-1-max", "series-2-max", "peak-1", "peak-2"} <= ids, f"chart ids {sorted(ids)}")
    check_chart_layout("two.svg", [])
    # The same on a terminal: one live line per camera and rule, redrawn in place.
    if not args.emulator:
        import pty
        main_end, terminal = pty.openpty()
        environment = dict(os.environ)
        environment["ORVANE_PASSWORD"] = PASSWORD
        process = subprocess.Popen(command(["thermo", "record", "-a", CAMERA, "-a", other, "--duration", "1500ms",
                                            "--interval", "100ms", "--plot", "two-alarms.svg", "--alarm-above",
                                            "38", "--alarm-below", "22"]),
                                   cwd=args.work, env=environment, stdin=subprocess.DEVNULL, stdout=terminal,
                                   stderr=subprocess.DEVNULL)
        os.close(terminal)
        shown = b""
        while True:
            try:
                chunk = os.read(main_end, 4096)
            except OSError:
                break
            if not chunk:
                break
            shown += chunk
        process.wait()
        os.close(main_end)
        # The last redraw: from its time line on, a line for each camera.
        last = shown.decode("utf-8").rsplit("[00:0", 1)[-1].split("\n")
        cameras = [c for c in (CAMERA, other) if any(c + " ch 1 rule 1 line  max" in line for line in last)]
        check(cameras == [CAMERA, other] and "\x1b[" in shown.decode("utf-8"), f"live lines: {last}")
        check_chart_layout("two-alarms.svg", ["above", "below"])
    # Each address looks at its own scene; addresses outside the site are refused.
    pictures = []
    for address in (CAMERA, other):
        code, _, _ = run(["snapshot", address + ".jpg", "-a", address], env)
        with open(os.path.join(args.work, address + ".jpg"), "rb") as f:
            pictures.append(f.read())
    check(code == 0 and pictures[0] != pictures[1], "two cameras took the same picture")
    code, _, err = run(["check", "192.0.3.1"], env)
    check(code == 3, f"an address outside the site answered: exit {code}")


# ---------------------------------------------------------------------------
# Ctrl+C ends a command cleanly (motion stopped, subscription stopped, logged
# out, CSV whole) with exit code 130.
def events_in(trace_name, count):
    def arrived(_):
        path = os.path.join(args.work, trace_name)
        return os.path.exists(path) and sum(1 for l in open(path) if l.startswith("event")) >= count
    return arrived


INTERRUPTS = [
    # name, arguments, extra environment, when to send Ctrl+C (given stdout so far)
    ("recording", ["--json", "thermo", "record", "-a", CAMERA, "--duration", "10m", "--interval", "100ms",
                   "--csv", "interrupted.csv", "--plot", "interrupted.svg"], {},
     events_in("interrupt-recording.txt", 5)),
    ("move", ["ptz", "move", "right", "--for", "60s", "-a", CAMERA], {}, lambda out: b"Moving" in out),
    # The login takes 3 s; Ctrl+C during it says so at once and logs out after it.
    ("login", ["-v", "check", CAMERA], {"HCNETSDK_STANDIN_LOGIN_DELAY_MS": "3000"},
     lambda out: b"loaded" in out),
]


def interrupt(name, argv, extra, ready):
    env = dict(os.environ)
    env.update({"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_TRACE": f"interrupt-{name}.txt"}, **extra)
    # The Windows build runs under wine, which turns SIGINT into the console's Ctrl+C event.
    process = subprocess.Popen(command(argv), cwd=args.work, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
    os.set_blocking(process.stdout.fileno(), False)
    seen = b""
    deadline = time.monotonic() + 60
    while not ready(seen) and time.monotonic() < deadline:
        time.sleep(0.1)
        seen += process.stdout.read() or b""
    time.sleep(0.3)
    process.send_signal(signal.SIGINT)
    os.set_blocking(process.stdout.fileno(), True)
    try:
        out, err = process.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        out, err = process.communicate()
        check(False, f"{name}: did not end on SIGINT")
    out = (seen + out).decode("utf-8").replace("\r\n", "\n")
    check(process.returncode == 130, f"interrupted {name}: exit {process.returncode} ({err!r})")
    return out, err.decode("utf-8"), read_trace(f"interrupt-{name}.txt")


def group_interrupt():
    results = {name: interrupt(name, argv, extra, ready) for name, argv, extra, ready in INTERRUPTS}
    out, _, trace = results["recording"]
    result = json.loads(out) if out.strip() else {}
    check(result.get("interrupted") is True and result.get("stopped") is True and result.get("exit_code") == 130,
          f"json: {result}")
    rows, _ = check_csv_against_trace("interrupted.csv", trace)
    check(result.get("rows") == len(rows) and len(rows) >= 3, f"rows {result.get('rows')} vs CSV {len(rows)}")
    check_session_ended(trace)
    # The chart says that the recording ended before its time.
    status = ET.parse(os.path.join(args.work, "interrupted.svg")).getroot().find(f".//{SVG}text[@id='status']")
    check(status is not None and status.text == "ended early: interrupted", "interrupted chart: no note")
    out, _, trace = results["move"]
    stops = [f for f in trace if f[0] == "call" and f[1] == "ptz-control"]
    check(re.search(r"^Interrupted, stopped after", out, re.M) and "Logged out" in out and len(stops) == 2,
          f"interrupted move: {out!r} {stops}")
    out, err, trace = results["login"]
    calls = [f[1] for f in trace if f[0] == "call"]
    check("interrupted; waiting for the login" in err and "Logged out" in out and "PTZ" not in out and
          calls.count("login") == 1 and calls.count("logout") == 1, f"interrupted login: {out!r} {err!r} {calls}")


# ---------------------------------------------------------------------------
# A shell session: one login, commands from standard input, the state of the
# camera kept from one command to the next, results only.
def group_shell():
    env = {"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_TRACE": "shell-trace.txt"}
    script = ("position\nptz move right --for 1s\n\n# a comment\nposition\npreset set 1\n"
              "ptz move left --for 0.5s\npreset goto 1\nposition\nfrobnicate\n"
              "snapshot 'shell shot.jpg'\nquit\nposition\n")
    code, out, err = run(["--json", "shell", "-a", CAMERA], env, script)
    objects = [json.loads(line) for line in out.splitlines()]
    commands = [o.get("command") for o in objects]
    check(commands == ["position", "ptz move right --for 1s", "position", "preset set 1",
                       "ptz move left --for 0.5s", "preset goto 1", "position", "frobnicate",
                       "snapshot 'shell shot.jpg'", None], f"shell commands {commands}")
    if len(objects) == 10:
        check(objects[0]["position"]["pan"] == 0 and objects[2]["position"]["pan"] >= 8,
              f"the move does not show in the next position: {objects[2]}")
        check(objects[6]["position"] == objects[2]["position"], f"preset goto: {objects[6]}")
        check(objects[7]["exit_code"] == 2 and "frobnicate" in objects[7]["error"], f"bad line: {objects[7]}")
        check(objects[8]["ok"] and jpeg_written("shell shot.jpg"), f"snapshot: {objects[8]}")
        check(objects[9]["session"] and objects[9]["commands"] == 9 and objects[9]["failed_commands"] == 1 and
              objects[9]["logged_out"], f"session: {objects[9]}")
    check(code == 2, f"shell exit code {code}, expected that of the failed line")
    calls = [f[1] for f in read_trace("shell-trace.txt") if f[0] == "call"]
    check(calls.count("login") == 1 and calls.count("logout") == 1 and calls.index("login") < calls.index("logout"),
          f"shell logins and logouts: {calls}")
    # Every command may name the session's camera as on the command line, but no other.
    lines = [(f"ptz move {CAMERA} left --for 0.2s", 0), (f"position {CAMERA}", 0),
             (f"thermo record {CAMERA} --duration 1s", 0), ("position 192.0.2.65", 2),
             ("snapshot 192.0.2.65 other.jpg", 2), ("thermo record 192.0.2.65 --duration 1s", 2)]
    code, out, _ = run(["--json", "shell", CAMERA], env, "".join(line + "\n" for line, _ in lines))
    results = [(o.get("exit_code"), o.get("error", "")) for o in map(json.loads, out.splitlines())][:len(lines)]
    check([c for c, _ in results] == [c for _, c in lines] and
          all("logged in to 192.0.2.64, not 192.0.2.65" in e for c, e in results if c != 0),
          f"addresses in a shell: {results}")
    # From a script the text output is the results only: no prompt, no greeting.
    code, out, _ = run(["shell", "-a", CAMERA], env, "position\n")
    check(code == 0 and "orvane>" not in out and re.search(r"^PTZ position: pan 0\.0", out, re.M), f"text: {out!r}")
    # Ctrl+C during a command ends the command (the move stops) and the session
    # goes on; Ctrl+C while the session waits for a line ends it, logged out.
    environment = dict(os.environ)
    environment.update({"ORVANE_PASSWORD": PASSWORD, "HCNETSDK_STANDIN_TRACE": "shell-interrupt-trace.txt"})
    process = subprocess.Popen(command(["shell", "-a", CAMERA]), cwd=args.work, env=environment,
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    # A session that hangs is ended within a minute and a half, so that its
    # reads see the end and the checks below say what was missing.
    hang_limit = threading.Timer(90, process.kill)
    hang_limit.start()

    def line_with(text):
        for _ in range(20):
            line = process.stdout.readline()
            if text in line or not line:
                return line
        return b""

    process.stdin.write(b"ptz move right --for 60s\n")
    process.stdin.flush()
    line_with(b"Moving right")
    process.send_signal(signal.SIGINT)
    stopped = line_with(b"stopped after")
    line_with(b"PTZ position")  # where the move ended
    process.stdin.write(b"position\n")
    process.stdin.flush()
    position = line_with(b"PTZ position")
    check(stopped.startswith(b"Interrupted, stopped") and position.startswith(b"PTZ position: pan "),
          f"Ctrl+C during a shell command: {stopped!r} {position!r}")
    if args.emulator:
        # Under wine a read from a pipe cannot be cut short: CancelSynchronousIo
        # finds no read to cancel (ERROR_NOT_FOUND), so Ctrl+C at the prompt ends
        # the session only with the next line or the end of input. Windows
        # cancels such a read; a console read ends on Ctrl+C by itself.
        process.stdin.close()
        process.wait(timeout=60)
        calls = [f[1] for f in read_trace("shell-interrupt-trace.txt") if f[0] == "call"]
        check(calls.count("logout") == 1 and process.returncode == 130,
              f"a shell whose command Ctrl+C ended: exit {process.returncode} {calls}")
    else:
        try:
            # Standard input stays open until the shell has ended: closing it at
            # once races the signal (an end of input also ends the session, and a
            # sanitizer delivers the handler late). A Ctrl+C that lands before the
            # command has quite ended ends only the command: then, as a person
            # would, press it again.
            for attempt in range(20):
                process.send_signal(signal.SIGINT)
                try:
                    process.wait(timeout=3)
                    break
                except subprocess.TimeoutExpired:
                    pass
            process.wait(timeout=1)
            out = process.stdout.read()
            process.stdin.close()
            calls = [f[1] for f in read_trace("shell-interrupt-trace.txt") if f[0] == "call"]
            check(calls.count("logout") == 1 and b"Interrupted" in out and process.returncode == 130,
                  f"Ctrl+C in a shell: exit {process.returncode} {calls} {out!r}")
        except subprocess.TimeoutExpired:
            process.kill()
            process.communicate()
            check(False, "the shell did not end on Ctrl+C")
    hang_limit.cancel()
    # A failed login ends the session before any command.
    code, result, _ = run_json(["shell", "-a", CAMERA, "--user", "nobody"], env, "position\n")
    check(code == 3 and "login" in result.get("error", ""), f"shell with a wrong user: {code} {result}")
    if not args.emulator:
        shell_on_terminal()


# On a terminal (POSIX only: a pseudo-terminal), what follows the prompt after
# Ctrl+C or Ctrl+D starts a line of its own.
def shell_on_terminal():
    import pty
    import select
    cases = [
        # keys sent once the text before them has shown, exit code, pattern of
        # the screen (what a person sees, line by line)
        ([(b"orvane> ", b"\x03")], 130, r"\norvane>( \^C)?\nInterrupted\n"),
        ([(b"orvane> ", b"\x04")], 0, r"\norvane>\n\^D\nLogged out"),
        ([(b"orvane> ", b"ptz move right --for 60s\r"), (b"Moving", b"\x03"), (b"stopped after", b"quit\r")], 130,
         r"\nInterrupted, stopped after"),
    ]
    for keys, expected, pattern in cases:
        pid, fd = pty.fork()
        if pid == 0:
            os.chdir(args.work)
            os.environ["ORVANE_PASSWORD"] = PASSWORD
            os.execv(args.orvane, [args.orvane, "shell", CAMERA])
        out = b""

        def until(text, limit=30):
            nonlocal out
            deadline = time.monotonic() + limit
            while (text is None or text not in out) and time.monotonic() < deadline:
                if select.select([fd], [], [], 0.1)[0]:
                    try:
                        out += os.read(fd, 4096)
                    except OSError:
                        return  # the session has ended
        for text, key in keys:
            until(text)
            # A person's moment before the key: a key typed in the instant the
            # prompt shows can reach libedit before it has set up the terminal,
            # and is then taken for something else.
            until(None, 0.5)
            os.write(fd, key)
        # A key typed while the session is still setting up its line editor can
        # be lost, and a Ctrl+C that lands as a command is ending ends only that
        # command: press it again every few seconds while the session goes on,
        # as a person would, and give up after half a minute, saying so.
        ended, status = 0, 0
        deadline = time.monotonic() + 30
        press_again = time.monotonic() + 5
        while time.monotonic() < deadline:
            until(None, 0.5)
            ended, status = os.waitpid(pid, os.WNOHANG)
            if ended:
                break
            if keys[-1][1] in (b"\x03", b"\x04") and time.monotonic() >= press_again:
                press_again = time.monotonic() + 5
                try:
                    os.write(fd, keys[-1][1])
                except OSError:
                    pass  # the session has closed its terminal
            time.sleep(0.1)
        if not ended:
            os.kill(pid, signal.SIGKILL)
            _, status = os.waitpid(pid, 0)
            check(False, f"shell on a terminal {keys}: did not end: {out!r}")
        os.close(fd)
        code = os.waitstatus_to_exitcode(status)
        screen = on_screen(out)
        check(code == expected and re.search(pattern, screen), f"shell on a terminal {keys}: exit {code} {screen!r}")


# The lines a terminal shows for `output`: carriage returns and backspaces move
# the cursor, what follows overwrites, escape sequences are left out, and the
# blanks at a line's end do not show.
def on_screen(output):
    text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", output.decode("utf-8", "replace"))
    lines, column = [[]], 0
    for c in text:
        if c == "\n":
            lines.append([])
            column = 0
        elif c == "\r":
            column = 0
        elif c == "\b":
            column = max(0, column - 1)
        else:
            line = lines[-1]
            line.extend(" " * (column + 1 - len(line)))
            line[column] = c
            column += 1
    return "\n".join("".join(line).rstrip() for line in lines)


# ---------------------------------------------------------------------------
# orvane run: the command's exit code and standard streams, and the command
# ending when orvane is killed.
def group_run():
    if args.emulator:
        # The Windows build runs Windows programs: orvane itself serves as one.
        exe = args.orvane
        cases = [([exe, "--version"], 0, "orvane "), ([exe, "frobnicate"], 2, ""),
                 (["no-such-program.exe"], 127, "")]
    else:
        cases = [(["sh", "-c", "echo out; exit 7"], 7, "out\n"), (["sh", "-c", "kill -TERM $$"], 143, ""),
                 (["cat"], 0, "through\n"), (["--", "sh", "-c", "exit 0"], 0, ""), (["no-such-program"], 127, "")]
    for argv, expected, output in cases:
        code, out, err = run(["run"] + argv, stdin_text="through\n")
        check(code == expected, f"run {argv}: exit {code}, expected {expected} ({err.strip()})")
        check(output in out, f"run {argv}: output {out!r} lacks {output!r}")
    # Killed with SIGKILL, orvane leaves no command behind.
    marker = "orvane-run-marker-%d" % os.getpid()
    env = dict(os.environ)
    env["ORVANE_PASSWORD"] = PASSWORD
    if args.emulator:
        child = [args.orvane, "ptz", "move", "right", "--for", "59s", "-a", CAMERA, "--user", "admin", "-c", "1",
                 "--password-file", marker]
        with open(os.path.join(args.work, marker), "w") as f:
            f.write(PASSWORD + "\n")
    else:
        child = ["sh", "-c", "sleep 60; : " + marker]
    process = subprocess.Popen(command(["run", "--"] + child), cwd=args.work, env=env,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def running():
        found = []
        for pid in os.listdir("/proc"):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    if marker.encode() in f.read() and int(pid) != process.pid:
                        found.append(int(pid))
            except (OSError, ValueError):
                pass
        return found

    deadline = time.monotonic() + 60
    while not running() and time.monotonic() < deadline:
        time.sleep(0.2)
    check(running() != [], "the command did not start")
    time.sleep(1)
    process.kill()
    process.wait()
    deadline = time.monotonic() + 30
    while running() and time.monotonic() < deadline:
        time.sleep(0.2)
    left = running()
    check(left == [], f"the command outlived the killed orvane: {left}")
    for pid in left:
        os.kill(pid, signal.SIGKILL)


GROUPS = {
    "usage": group_usage,
    "commands": group_commands,
    "password": group_password,
    "failure_text": group_failure_text,
    "record": group_record,
    "record_faults": group_record_faults,
    "interrupt": group_interrupt,
    "cameras": group_cameras,
    "shell": group_shell,
    "run": group_run,
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
    # Each failure shows at once, also from a run the test runner ends for time.
    sys.stdout.reconfigure(line_buffering=True)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    GROUPS[args.group]()
    return report("all checks passed")


if __name__ == "__main__":
    sys.exit(main())
