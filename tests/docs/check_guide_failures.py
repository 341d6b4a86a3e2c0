#!/usr/bin/env python3
"""Runs the guide's C host and its Linux Python example against a built library
and the stand-in SDK with a wrong password: each must report the failed login
by its code and English text, in printable ASCII (a console shows nothing else
reliably).

    check_guide_failures.py GUIDE INCLUDE_DIR LIBRARY_FILE WORK_DIR
"""
import os
import re
import subprocess
import sys

EXPECTED = "CamLogin failed: code 1: Wrong user name or password."


def recipe(guide, name):
    match = re.search(r"^```\w* recipe=%s\n(.*?)^```$" % re.escape(name), guide, re.S | re.M)
    if not match:
        sys.exit("the guide has no recipe " + name)
    return match.group(1)


def check(what, completed):
    output = (completed.stdout + completed.stderr).strip()
    print("%s: exit %d, %r" % (what, completed.returncode, output))
    if completed.returncode != 1:
        sys.exit("%s: a failed login must exit 1" % what)
    if output != EXPECTED:
        sys.exit("%s: expected %r" % (what, EXPECTED))


def main():
    guide_path, include, library, work = sys.argv[1:5]
    guide = open(guide_path, encoding="utf-8").read()
    os.makedirs(work, exist_ok=True)
    folder = os.path.dirname(os.path.abspath(library))
    host_c = os.path.join(work, "host.c")
    with open(host_c, "w") as source:
        source.write(recipe(guide, "host.c"))
    host = os.path.join(work, "host")
    subprocess.run(["cc", "-std=c99", "-Wall", "-Wextra", "-Werror", host_c, "-I", include, "-L", folder,
                    "-l:" + os.path.basename(library), "-Wl,-rpath," + folder, "-o", host], check=True)
    check("C host", subprocess.run([host, "192.0.2.64", "admin", "wrong-password"],
                                   capture_output=True, text=True, errors="replace"))
    python = os.path.join(work, "orvane_linux.py")
    with open(python, "w") as source:
        source.write(recipe(guide, "orvane_linux.py"))
    check("Python (Linux)", subprocess.run([sys.executable, python, library, "wrong-password"],
                                           capture_output=True, text=True, errors="replace"))


if __name__ == "__main__":
    main()
