#!/usr/bin/env python3
"""Checks that every document a release archive's files name is in that archive.

A release archive (or an installed tree) is all a downloader has: a link in its
Markdown, or a document named in its header, manual page or notes, must lead to
a file inside it. Looked at: Markdown links (relative to the file), and names of
documents (*.md, *.1, *.logrotate, *.cmd, *.yml, *.service) in the text
outside code blocks,
found beside the file, at the top of the tree or in its docs/ folder.
Also checks that the library's tree has a README.md.

    check_archive_documents.py ARCHIVE_OR_FOLDER...
    check_archive_documents.py --self-test
"""
import os
import posixpath
import re
import sys
import tarfile
import zipfile

TEXT_SUFFIXES = (".md", ".h", ".1", ".logrotate", ".cmd", ".txt", ".cmake", ".yml", ".service")
LINK = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]*)>?[^)]*\)")
DOCUMENT = re.compile(
    r"(?<![\w/.-])((?:[\w.-]+/)*[A-Za-z][\w-]*(?:\.[A-Za-z][\w-]*)*\.(?:md|1|logrotate|cmd|yml|service))(?![\w-]|\.\w)")
FENCE = re.compile(r"^\s{0,3}(```|~~~)")


def members(path):
    """{relative name: bytes} of the files of an archive or folder, without the
    one top folder an archive unpacks into."""
    files = {}
    if os.path.isdir(path):
        for folder, _, names in os.walk(path):
            for name in names:
                full = os.path.join(folder, name)
                with open(full, "rb") as data:
                    files[os.path.relpath(full, path).replace(os.sep, "/")] = data.read()
        return files
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as packed:
            for name in packed.namelist():
                if not name.endswith("/"):
                    files[name] = packed.read(name)
    else:
        with tarfile.open(path) as packed:
            for member in packed.getmembers():
                if member.isfile():
                    files[member.name] = packed.extractfile(member).read()
    tops = {name.split("/", 1)[0] for name in files}
    if len(tops) != 1:
        sys.exit("%s: expected one top folder, found %s" % (path, sorted(tops)))
    return {name.split("/", 1)[1]: data for name, data in files.items()}


def prose(name, text):
    """The text in which document names count: outside fenced code blocks in
    Markdown, with the escapes of a manual page taken out."""
    if name.endswith(".1"):
        return re.sub(r"\\f[BIRP]", " ", text).replace("\\-", "-").replace("\\e", "\\")
    if not name.endswith(".md"):
        return text
    kept, fenced = [], False
    for line in text.splitlines():
        if FENCE.match(line):
            fenced = not fenced
        elif not fenced:
            kept.append(line)
    return "\n".join(kept)


def problems(files):
    found = []
    names = set(files)
    # The library's archive is the one a downloader starts from.
    if "include/OrvaneLib.h" in names and "README.md" not in names:
        found.append("no README.md at the top")
    for name, data in sorted(files.items()):
        if not name.endswith(TEXT_SUFFIXES) and posixpath.basename(name) not in ("LICENSE",):
            continue
        text = prose(name, data.decode("utf-8", errors="replace"))
        folder = posixpath.dirname(name)
        if name.endswith(".md"):
            for target in LINK.findall(text):
                target = target.split("#", 1)[0]
                if not target or re.match(r"^[a-z][a-z0-9+.-]*:", target):
                    continue
                resolved = posixpath.normpath(posixpath.join(folder, target))
                if resolved not in names and not any(n.startswith(resolved + "/") for n in names):
                    found.append("%s links to %s, which is not in the archive" % (name, target))
        # Link targets are checked above; the names are looked for in the rest.
        for mention in set(DOCUMENT.findall(re.sub(r"\]\([^)]*\)", "]", text))):
            candidates = [posixpath.normpath(posixpath.join(base, mention)) for base in (folder, "", "docs")]
            if not any(c in names for c in candidates):
                found.append("%s names %s, which is not in the archive" % (name, mention))
    return found


def self_test():
    files = {
        "README.md": b"See `docs/guide.md` and [notes](docs/notes.md#x); `docs/gone.md`.",
        "docs/guide.md": b"[back](../README.md) [out](../../outside.md) [web](https://example.com/a.md)\n"
                         b"```\nmissing-in-code.md\n```\nversion 1.0.1.2, orvane.1",
        "docs/notes.md": b"",
        "share/man/man1/orvane.1": b".SH SEE ALSO\n\\fBguide.md\\fR, \\fBlost\\-page.md\\fR",
        "include/x.h": b"/* see docs/notes.md and docs/absent.md */",
        "docs/mon/rules.yml": b"# test with rules.test.yml, run by docs/mon/job.service\n",
        "docs/mon/rules.test.yml": b"rule_files: [rules.yml, gone.yml] # from V5.3.1",
    }
    if problems({"include/OrvaneLib.h": b""}) != ["no README.md at the top"] or problems({"LICENSE": b""}):
        sys.exit("self-test: a README.md is required of the library's tree only")
    expected = {
        "README.md names docs/gone.md, which is not in the archive",
        "docs/guide.md links to ../../outside.md, which is not in the archive",
        "docs/guide.md names orvane.1, which is not in the archive",
        "share/man/man1/orvane.1 names lost-page.md, which is not in the archive",
        "include/x.h names docs/absent.md, which is not in the archive",
        "docs/mon/rules.yml names docs/mon/job.service, which is not in the archive",
        "docs/mon/rules.test.yml names gone.yml, which is not in the archive",
    }
    got = set(problems(files))
    if got != expected:
        sys.exit("self-test: expected %s, got %s" % (sorted(expected), sorted(got)))
    print("self-test passed")


def main():
    if sys.argv[1:] == ["--self-test"]:
        self_test()
        return
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    failed = False
    for path in sys.argv[1:]:
        found = problems(members(path))
        for problem in found:
            print("%s: %s" % (os.path.basename(path.rstrip("/")), problem))
        failed = failed or bool(found)
        if not found:
            print("%s: every document named is in it" % os.path.basename(path.rstrip("/")))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
