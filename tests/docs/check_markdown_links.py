#!/usr/bin/env python3
"""Checks that every relative link and anchor in the repository's Markdown files
resolves: the file or folder exists, and a #fragment names a heading of the
target file as GitHub derives its anchors.

Usage: check_markdown_links.py <repository root>
       check_markdown_links.py --self-test
"""
import os
import re
import sys
import unicodedata

SKIPPED_FOLDERS = {".git", "build", "dist", "node_modules"}
# [text](target) and ![alt](target), the target up to the first blank or ")";
# an optional "title" follows the blank.
INLINE_LINK = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
# [label]: target
REFERENCE_DEFINITION = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s|$)")
HEADING = re.compile(r"^\s{0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
FENCE = re.compile(r"^\s{0,3}(```|~~~)")
EXPLICIT_ANCHOR = re.compile(r"<a\s+(?:name|id)=\"([^\"]+)\"")


def github_slug(heading):
    """The anchor GitHub gives a heading: markup dropped, lower case, every
    character that is not a letter, digit, blank, hyphen or underscore removed,
    blanks turned into hyphens."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # links keep their text
    text = re.sub(r"<[^>]+>", "", text)  # inline HTML
    text = text.replace("`", "").lower()
    kept = []
    for character in text:
        category = unicodedata.category(character)
        if character in " -_" or category[0] in "LN" or category == "Mn":
            kept.append(character)
    return "".join(kept).replace(" ", "-")


def outside_code(lines):
    """The lines outside fenced code blocks, with inline code spans blanked."""
    fenced = None
    for number, line in enumerate(lines, 1):
        fence = FENCE.match(line)
        if fence:
            if fenced is None:
                fenced = fence.group(1)
            elif fence.group(1) == fenced:
                fenced = None
            continue
        if fenced is None:
            yield number, re.sub(r"`[^`]*`", "``", line)


def anchors_of(path, cache={}):
    if path not in cache:
        with open(path, encoding="utf-8") as markdown:
            lines = markdown.read().splitlines()
        anchors, seen = set(), {}
        for _, line in outside_code(lines):
            anchors.update(EXPLICIT_ANCHOR.findall(line))
            heading = HEADING.match(line)
            if not heading:
                continue
            slug = github_slug(heading.group(2))
            # Repeated headings get -1, -2, ... in order.
            count = seen.get(slug, 0)
            seen[slug] = count + 1
            anchors.add(slug if count == 0 else f"{slug}-{count}")
        cache[path] = anchors
    return cache[path]


def links_of(path):
    with open(path, encoding="utf-8") as markdown:
        lines = markdown.read().splitlines()
    for number, line in outside_code(lines):
        for target in INLINE_LINK.findall(line):
            yield number, target
        definition = REFERENCE_DEFINITION.match(line)
        if definition:
            yield number, definition.group(1)


def problems_in(root, path):
    for number, target in links_of(path):
        if not target or re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target) or target.startswith("//"):
            continue  # absolute URLs are not ours to check
        file_part, _, fragment = target.partition("#")
        if file_part.startswith("/"):
            resolved = os.path.join(root, file_part.lstrip("/"))
        elif file_part:
            resolved = os.path.join(os.path.dirname(path), file_part)
        else:
            resolved = path
        resolved = os.path.normpath(resolved)
        where = f"{os.path.relpath(path, root)}:{number}: {target}"
        if not os.path.exists(resolved):
            yield f"{where}: no such file"
        elif fragment and not resolved.endswith(".md"):
            yield f"{where}: anchor into a file that is not Markdown"
        elif fragment and fragment not in anchors_of(resolved):
            yield f"{where}: no heading with anchor #{fragment}"


def markdown_files(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders if d not in SKIPPED_FOLDERS)
        for name in sorted(files):
            if name.endswith(".md"):
                yield os.path.join(folder, name)


def self_test():
    cases = {
        "Two commands": "two-commands",
        "The log on Linux": "the-log-on-linux",
        "Operators' notes": "operators-notes",
        "C and C++, loaded at run time": "c-and-c-loaded-at-run-time",
        "C# (P/Invoke)": "c-pinvoke",
        'Graphical environments with a "call library function" node': "graphical-environments-with-a-call-library-function-node",
        "`orvane` and `NET_DVR_Init`": "orvane-and-net_dvr_init",
        "Benchmarks, fuzzing and the soak": "benchmarks-fuzzing-and-the-soak",
        "Développer sans caméra": "développer-sans-caméra",
        "See [the guide](x.md)": "see-the-guide",
    }
    failures = [f"{h!r}: {github_slug(h)!r} != {s!r}" for h, s in cases.items() if github_slug(h) != s]
    for failure in failures:
        print(failure)
    return 1 if failures else 0


def main(arguments):
    if arguments == ["--self-test"]:
        return self_test()
    if len(arguments) != 1:
        print(__doc__)
        return 2
    root = os.path.abspath(arguments[0])
    checked, problems = 0, []
    for path in markdown_files(root):
        checked += 1
        problems.extend(problems_in(root, path))
    for problem in problems:
        print(problem)
    print(f"{checked} Markdown files, {len(problems)} broken links")
    return 1 if problems or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
