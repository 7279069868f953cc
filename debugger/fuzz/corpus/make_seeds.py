#!/usr/bin/env python3
"""Writes the seed recordings of the recording loader's fuzz target into this folder."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "recording")


def header(schema, count, name=b"CArchiveVersion"):
    return struct.pack("<HHH", 0xFFFF, schema, len(name)) + name + struct.pack("<I", count)


def fields(address, board, flags, date=46363.5):
    return bytes([address, board, flags]) + struct.pack("<id", 0, date)


def block(type_code, payload, count, version=True):
    return (b"\x02" if version else b"") + struct.pack("<HBB", count, type_code, 0) + payload


def v2_record(address, flags, comment, *blocks):
    return b"\x02" + fields(address, 0, flags) + bytes([len(comment)]) + comment + b"".join(blocks)


def v1_record(address, flags, *blocks):
    return fields(address, 0, flags) + b"".join(blocks)


SEEDS = {
    "empty": header(2, 0),
    "write_read": header(2, 2)
    + v2_record(22, 0x82, b"", block(5, b"*IDN?\0", 6))
    + v2_record(22, 0x21, b"note", block(5, b"FLUKE\0", 6)),
    "all_blocks": header(2, 1)
    + v2_record(
        4,
        0xE4,
        b"",
        block(3, struct.pack("<dd", 1.5, -2.0), 2),
        block(6, struct.pack("<I", 0x3FFF001A), 1),
        block(1, struct.pack("<i", 2000), 1),
    ),
    "version_one": header(1, 2)
    + v1_record(22, 0x82, block(5, b"*IDN?\0", 6, version=False))
    + v1_record(5, 0x21, block(4, b"\x40", 1, version=False)),
    "record_version_one": header(2, 1) + b"\x01" + fields(3, 0, 0x10),
    "count_too_large": header(2, 3) + v2_record(1, 0x06, b""),
    "invalid_type": header(2, 1) + v2_record(1, 0x82, b"", block(12, b"", 4)),
    "schema_three": header(3, 0),
}

for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)
