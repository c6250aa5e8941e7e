# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
"""Writes out the Java class that a Markdown page shows, so that the build compiles the page's
own text: the one ```java block that declares the class, saved under its package's folders.

    extract_java.py PAGE.md CLASS OUTPUT_DIR"""

import os
import re
import sys

FENCE = re.compile(r"^```java[ \t]*\n(.*?)^```[ \t]*$", re.MULTILINE | re.DOTALL)


def main():
    page, name, output = sys.argv[1:]
    with open(page, encoding="utf-8") as f:
        text = f.read()
    declares = re.compile(r"^public (final )?class " + re.escape(name) + r"\b", re.MULTILINE)
    blocks = [b for b in FENCE.findall(text) if declares.search(b)]
    if len(blocks) != 1:
        sys.exit("%s: %d java blocks declare the class %s, not one" % (page, len(blocks), name))
    source = blocks[0]
    package = re.search(r"^package ([\w.]+);", source, re.MULTILINE)
    folder = os.path.join(output, *package.group(1).split(".")) if package else output
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name + ".java"), "w", encoding="utf-8") as f:
        f.write(source)
    return 0


if __name__ == "__main__":
    sys.exit(main())
