#!/usr/bin/env python3
"""Writes a manual page (man(7) macros) from the plain Markdown of a manual such
as docs/orvane.md, so that the page and its Markdown form have one source.

The Markdown may use: "# NAME(SECTION)" once, first; "## " sections; "### "
subsections; paragraphs; "- " items (continued by lines indented two blanks);
``` fences; `code` and **bold** inline; ASCII text only.

    markdown_to_man.py MANUAL.md OUTPUT.1 VERSION
"""
import re
import sys


def inline(text):
    text = text.replace("\\", "\\e")
    parts = re.split(r"(`[^`]*`|\*\*[^*]*\*\*)", text)
    out = []
    for part in parts:
        if part.startswith("`") and part.endswith("`") and len(part) > 1:
            out.append("\\fB" + part[1:-1].replace("-", "\\-") + "\\fR")
        elif part.startswith("**") and part.endswith("**") and len(part) > 3:
            out.append("\\fB" + part[2:-2] + "\\fR")
        else:
            out.append(part)
    line = "".join(out)
    return "\\&" + line if line.startswith((".", "'")) else line


def convert(markdown, version):
    lines = markdown.splitlines()
    title = re.fullmatch(r"# ([A-Z0-9_-]+)\((\d)\)", lines[0] if lines else "")
    if not title:
        sys.exit("the manual must begin with '# NAME(SECTION)'")
    out = ['.TH %s %s "" "OrvaneLib %s" "User Commands"' % (title.group(1), title.group(2), version)]
    block = []  # the lines of the paragraph or item being gathered
    kind = None

    def flush():
        nonlocal block, kind
        if block:
            out.append(".PP" if kind == "paragraph" else ".IP \\(bu 2")
            out.append(inline(" ".join(block)))
        block, kind = [], None

    fenced = False
    for number, line in enumerate(lines[1:], start=2):
        if any(ord(c) > 126 for c in line):
            sys.exit("line %d: only ASCII text can go into the manual page" % number)
        if line.startswith("```"):
            flush()
            out.extend([".PP", ".RS 4", ".nf"] if not fenced else [".fi", ".RE"])
            fenced = not fenced
        elif fenced:
            escaped = line.replace("\\", "\\e")
            out.append("\\&" + escaped if escaped.startswith((".", "'")) else escaped)
        elif line.startswith("## "):
            flush()
            out.append(".SH " + line[3:].upper())
        elif line.startswith("### "):
            flush()
            out.append('.SS "' + inline(line[4:]).replace('"', '\\(dq') + '"')
        elif line.startswith("- "):
            flush()
            kind, block = "item", [line[2:]]
        elif not line.strip():
            flush()
        elif kind == "item" and line.startswith("  "):
            block.append(line.strip())
        else:
            if kind != "paragraph":
                flush()
                kind = "paragraph"
            block.append(line.strip())
    if fenced:
        sys.exit("a code block is not closed")
    flush()
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8") as source:
        page = convert(source.read(), sys.argv[3])
    with open(sys.argv[2], "w", encoding="ascii") as target:
        target.write(page)


if __name__ == "__main__":
    main()
