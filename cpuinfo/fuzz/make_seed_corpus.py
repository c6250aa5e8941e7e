#!/usr/bin/env python3
"""Writes the seed corpus: well-formed answers of both services, in the input
layout that fuzzed-service.h describes. Run it again after changing that
layout; its output is kept in the repository."""

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

for walker, seeds in SEEDS.items():
    folder = os.path.join(HERE, "corpus", walker)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as seed:
            seed.write(data)
