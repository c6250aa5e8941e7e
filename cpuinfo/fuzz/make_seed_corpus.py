#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0

"""Writes the seed corpora: well-formed answers of both services, in the input
layout that fuzzed-service.h describes, and the unit tests' cases of the text
encodings and the path resolver, in the layouts their fuzzers read. Run it
again after changing a layout; its output is kept in the repository."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def header(records, sizing_result=0, sizing_error=1, data_result=1):
    n = len(records)
    return struct.pack("<BBIBI", sizing_result, sizing_error, n, data_result, n) + records


def ex_record(relationship, masks):
    size = 32 + 12 * len(masks)
    body = struct.pack("<iIBB20xH", relationship, size, 0, 0, len(masks))
    for group, mask in enumerate(masks):
        body += struct.pack("<IH6x", mask, group)
    return body


def basic_record(relationship, mask, extra=b""):
    return struct.pack("<Ii", mask, relationship) + extra.ljust(16, b"\0")


SEEDS = {
    "ex": {
        "one-package": header(ex_record(3, [0xFF])),
        "two-packages": header(ex_record(3, [0xFF]) + ex_record(3, [0xFF])),
        "several-groups": header(ex_record(3, [0xFFFFFFFF, 0xF, 0x3]) + ex_record(3, [0x1])),
        "no-groups": header(ex_record(3, [])),
        "sizing-true": header(ex_record(3, [0xF0]), sizing_result=1, sizing_error=0),
        "empty": header(b""),
    },
    "basic": {
        "one-package": header(basic_record(0, 0x1) + basic_record(0, 0x2) + basic_record(3, 0x3)),
        "two-packages": header(basic_record(3, 0x0F) + basic_record(3, 0xF0)),
        "cores-and-caches": header(b"".join(
            basic_record(0, 1 << i) + basic_record(2, 1 << i, bytes([1, 8, 64, 0])) for i in range(4))),
        "numa-node": header(basic_record(1, 0xFF) + basic_record(3, 0xFF)),
        "empty": header(b""),
    },
}


# text-encoding-fuzzer.cpp reads every input both as UTF-16 units (two bytes,
# low first) and as WTF-8 bytes.
def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


SEEDS["text-encoding"] = {
    "ascii": utf16("console"),
    "bmp": utf16("\u00e9\u0436\u65e5\u007f\u0080\u07ff\u0800\uffff"),
    "pairs": utf16("\U00010000\U000103FF\U0010FC00\U0010FFFF\U0001F600"),
    "lone-surrogates": utf16("a\ud800b\udc01"),
    "reversed-pair": utf16("\udc00\ud800"),
    "nul": b"\0\0",
    "wtf8-lone": "a\ud800b\udc01".encode("utf-8", "surrogatepass"),
    "wtf8-split-pair": "\ud800\udc00".encode("utf-8", "surrogatepass"),
    "utf8": "\u0436\u0443\u0440\u043d\u0430\u043b-\u65e5\u5fd7.log\U0010FFFF".encode(),
    "stray-continuation": b"a\x80z",
    "cut-short": b"\xc3",
    "overlong": b"\xc0\xaf\xe0\x80\xaf",
    "past-10ffff": b"\xf4\x90\x80\x80",
    "cut-three": b"\xe6\x97z",
}

# path-resolver-fuzzer.cpp reads a byte that picks what is checked (top two
# bits), the root and the current folder, a byte of padding (as many "p"
# units) and then one unit a byte from its alphabet; letters it lacks stand in
# as a, b, c or x. Each case is a seed for every check.
ALPHABET = {"\\": 0, "/": 1, ".": 2, " ": 4, "a": 5, "b": 6, "c": 7, ":": 8, "?": 9, "C": 10,
            "x": 11, "\u00e9": 15}


def path(text, pick=0, padding=0):
    units = bytes(ALPHABET.get(c, (5, 6, 7, 11)[ord(c) % 4]) for c in text)
    return [bytes([check << 6 | pick, padding]) + units for check in range(3)]


SEEDS["path-resolver"] = {
    "short-drive": path("C:\\logs\\cpuinfo.log"),
    "dots": path("C:/logs/./old/../cpuinfo.log"),
    "long-drive": path("\\gone\\..\\x.log", pick=0, padding=250),
    "long-dots": path("\\.\\x.log", pick=5, padding=250),
    "double-separators": path("\\\\a\\\\x.log", pick=0, padding=250),
    "above-root": path("..\\..\\x.log", pick=1, padding=250),
    "three-dots": path("...\\.x", pick=0, padding=250),
    "unc": path("//server/share/../../x.log", pick=1, padding=250),
    "device": path("\\\\.\\pipe\\x", pick=3),
    "verbatim": path("\\\\?\\C:\\x", pick=2, padding=250),
    "trailing-dots-and-spaces": path("C:\\a\\b.\\c. ", pick=8),
    "trailing-dots": path("C:\\a\\b...", pick=16),
    "drive-relative": path("C:foo", pick=24),
    "other-drive": path("D:foo\\..\\..", pick=8),
    "rooted": path("\\foo\\.", pick=16),
    "relative": path("..\\..\\x\\", pick=24),
    "spaces": path("  ", pick=0),
}

SEEDS["path-resolver"] = {f"{name}-{check}": seed for name, seeds in SEEDS["path-resolver"].items()
                          for check, seed in zip(("join", "full", "long"), seeds)}

for walker, seeds in SEEDS.items():
    folder = os.path.join(HERE, "corpus", walker)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(data)
