#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Checks the relative links of the README and the docs/ pages.

Every relative Markdown link must name a file or folder that exists, and every
#anchor, on its own page or on another Markdown page, must match a heading
there as GitHub derives its anchor. Links with a scheme (https:, mailto:) are
left alone. Prints one line per bad link and exits 1 when there is any.

    scripts/check-links.py [FILE.md ...]   (default: README.md docs/*.md)
"""

import os
import re
import sys
import urllib.parse
from pathlib import Path

FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
CODE_SPAN = re.compile(r"(`+)(?:(?!\1).)+?\1")
ATX_HEADING = re.compile(r"^ {0,3}#{1,6}(?:[ \t]+(.*?))?(?:[ \t]+#+)?[ \t]*$")
SETEXT_UNDERLINE = re.compile(r"^ {0,3}(?:=+|-+)[ \t]*$")
HTML_ANCHOR = re.compile(r"<a\s[^>]*\b(?:name|id)\s*=\s*[\"']([^\"']+)[\"']", re.IGNORECASE)
# [text](target "title"): the text may hold one level of brackets and line
# breaks, the target one level of parentheses or be written <like this>.
INLINE_LINK = re.compile(
    r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]"
    r"\(\s*(<[^>\n]*>|[^\s()]*(?:\([^\s()]*\)[^\s()]*)*)"
    r"(?:\s+(?:\"[^\"]*\"|'[^']*'|\([^)]*\)))?\s*\)"
)
REFERENCE_DEFINITION = re.compile(r"^ {0,3}\[(?!\^)[^\]]+\]:\s*(<[^>]*>|\S+)", re.MULTILINE)
SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")


def without_fences(text):
    """The text with fenced code blocks blanked out, lines kept."""
    lines, fence = [], None
    for line in text.split("\n"):
        opening = FENCE.match(line)
        if fence:
            if opening and opening.group(1)[0] == fence[0] and len(opening.group(1)) >= len(fence):
                fence = None
            lines.append("")
        elif opening:
            fence = opening.group(1)
            lines.append("")
        else:
            lines.append(line)
    return "\n".join(lines)


def prose_of(text):
    """The text with code blocks and code spans blanked out, so that offsets
    and line numbers still match the file's."""
    return CODE_SPAN.sub(lambda m: " " * len(m.group(0)), without_fences(text))


def slug(heading):
    """GitHub's anchor for a heading: the rendered text in lower case, spaces
    to hyphens, punctuation other than hyphens and underscores dropped."""
    text = INLINE_LINK.sub(lambda m: re.sub(r"^!?\[|\]\(.*$", "", m.group(0), flags=re.S), heading)
    text = re.sub(r"<[^>]+>", "", text)
    text = "".join(c for c in text.lower() if c.isalnum() or c in "-_ ")
    return text.replace(" ", "-")


def anchors_of(path, cache={}):
    if path not in cache:
        headings, previous = [], ""
        text = without_fences(path.read_text(encoding="utf-8"))
        for line in text.split("\n"):
            atx = ATX_HEADING.match(line)
            if atx:
                headings.append(atx.group(1) or "")
            elif SETEXT_UNDERLINE.match(line) and previous.strip():
                # A table's delimiter row is no underline: its header starts with a bar.
                if not previous.lstrip().startswith("|"):
                    headings.append(previous.strip())
            previous = line if not atx else ""
        anchors, seen = set(), {}
        for heading in headings:
            base = slug(heading)
            count = seen.get(base, 0)
            seen[base] = count + 1
            anchors.add(base if count == 0 else f"{base}-{count}")
        anchors.update(HTML_ANCHOR.findall(prose_of(text)))
        cache[path] = anchors
    return cache[path]


def problem_with(page, target):
    """What is wrong with one link target of page, or None."""
    if target.startswith("<") and target.endswith(">"):
        target = target[1:-1]
    if not target:
        return "empty link"
    if SCHEME.match(target) or target.startswith("//"):
        return None
    path_part, _, anchor = target.partition("#")
    path_part = urllib.parse.unquote(path_part)
    if path_part.startswith("/"):
        return "absolute path; links in this repository are relative"
    linked = (page.parent / path_part) if path_part else page
    if not linked.exists():
        return "no such file"
    if not anchor or linked.is_dir() or linked.suffix.lower() != ".md":
        return None
    anchor = urllib.parse.unquote(anchor)
    if anchor not in anchors_of(linked.resolve()):
        return f"no heading with this anchor in {os.path.relpath(linked)}"
    return None


def bad_links(page):
    prose = prose_of(page.read_text(encoding="utf-8"))
    found = [(m.start(1), m.group(1)) for m in INLINE_LINK.finditer(prose)]
    found += [(m.start(1), m.group(1)) for m in REFERENCE_DEFINITION.finditer(prose)]
    for offset, target in sorted(found):
        problem = problem_with(page, target)
        if problem:
            yield prose.count("\n", 0, offset) + 1, target, problem


def main(arguments):
    root = Path(os.path.relpath(Path(__file__).resolve().parent.parent))
    pages = [Path(p) for p in arguments] or [root / "README.md", *sorted(root.glob("docs/*.md"))]
    bad = 0
    counted = f"{len(pages)} page" + ("s" if len(pages) != 1 else "")
    for page in pages:
        if not page.is_file():
            print(f"{page}: no such file")
            bad += 1
            continue
        for line, target, problem in bad_links(page):
            print(f"{page}:{line}: ({target}): {problem}")
            bad += 1
    if bad:
        print(f"links: {bad} bad in {counted}")
        return 1
    print(f"links: every relative link of {counted} resolves")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
