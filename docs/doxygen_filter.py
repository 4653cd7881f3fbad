#!/usr/bin/env python3
"""Doxygen input filter for Brevra's headers: their plain comments become documentation.

The headers are commented in ordinary `//` lines. For the API reference, this filter gives
Doxygen the same file with
  - the file's opening comment block as its `\\file` description,
  - every other `//` comment line as a `///` documentation line (for what follows it),
  - a trailing `//` comment after a declaration as a `///<` member comment,
  - banner lines (`// ----`) removed, section titles between them kept as plain comments,
  - `<word>` in the prose escaped, so that Doxygen does not take it for an HTML tag,
and leaves the line count alone, so Doxygen's line numbers stay right.
"""
import re
import sys

ANGLE = re.compile(r"<(?=[A-Za-z/])")  # <word> in prose is text, not an HTML tag
BANNER = re.compile(r"^\s*//\s*-{8,}\s*$")
LINE = re.compile(r"^(\s*)//(?!/)(.*)$")
TRAILING = re.compile(r"^(.*\S.*?[;,{])(\s+)//(?!/)(.*)$")


def doc(text):
    return ANGLE.sub(r"\\<", text)


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        lines = f.read().split("\n")
    head = 0  # the opening comment block: lines [0, head)
    while head < len(lines) and LINE.match(lines[head]) and not BANNER.match(lines[head]):
        head += 1
    out = []
    for i, line in enumerate(lines):
        if i < head:
            text = "///" + doc(LINE.match(line).group(2))
            out.append(text + (" \\file" if i == head - 1 else ""))
        elif BANNER.match(line):
            out.append("")
        elif LINE.match(line) and i > 0 and BANNER.match(lines[i - 1]):
            out.append(line)  # a section title between banners stays a plain comment
        elif LINE.match(line):
            m = LINE.match(line)
            out.append(f"{m.group(1)}///{doc(m.group(2))}")
        elif TRAILING.match(line) and '"' not in TRAILING.match(line).group(1):
            m = TRAILING.match(line)
            out.append(f"{m.group(1)}{m.group(2)}///<{doc(m.group(3))}")
        else:
            out.append(line)
    sys.stdout.write("\n".join(out))


if __name__ == "__main__":
    main()
