#!/usr/bin/env python3
"""Writes the seed inputs of the record fuzz targets: serialised command records in
record/ and JSON lines in json/. Run it from anywhere; it replaces the seed files."""
import json
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def block(type_code, count, elements=b""):
    return struct.pack("<BHBB", 2, count, type_code, 0) + elements


def text(value):
    data = value.encode("latin-1")
    if len(data) < 0xFF:
        return bytes([len(data)]) + data
    if len(data) < 0xFFFE:
        return b"\xff" + struct.pack("<H", len(data)) + data
    return b"\xff\xff\xff" + struct.pack("<I", len(data)) + data


def record(action, received=None, parameters=None, sent=None, address=22, board=0,
           date=46363.5, status=0, comments="", version=2):
    flags = action
    blocks = b""
    for bit, value in ((0x20, received), (0x40, parameters), (0x80, sent)):
        if value is not None:
            flags |= bit
            blocks += value
    head = struct.pack("<BBBBid", version, address, board, flags, status, date)
    return head + (text(comments) if version == 2 else b"") + blocks


def chars(value):
    data = value.encode("latin-1") + b"\0"
    return block(5, len(data), data)


RECORDS = {
    "empty": record(0),
    "write_idn": record(2, sent=chars("*IDN?")),
    "read_reply": record(1, received=chars("MAKER,MODEL,1234,1.0\n")),
    "set_timeout": record(4, parameters=block(6, 1, struct.pack("<I", 0x3FFF001A)),
                          sent=block(1, 1, struct.pack("<i", 5000))),
    "wait_event": record(10, parameters=block(6, 0), sent=block(1, 1, struct.pack("<i", 2000))),
    "read_doubles": record(1, received=block(3, 3, struct.pack("<3d", 1.5, -2.25, 1e-9)),
                           parameters=block(0, 2, struct.pack("<2i", -1, 7)),
                           sent=block(2, 2, struct.pack("<2f", 0.5, 3.0))),
    "read_bytes": record(1, received=block(4, 4, b"\x00\x7f\x80\xff")),
    "read_stb": record(5, received=block(4, 1, b"\x40"), comments="status byte"),
    "unknown_block": record(16, received=block(7, 0), parameters=block(8, 0)),
    "long_comment": record(6, comments="c" * 300),
    "version_one": record(3, sent=chars("*TRG"), version=1),
    "invalid_type": record(2, sent=block(12, 3)),
    "button_click": record(18, board=1, address=31, status=1, date=-1.25),
}

JSON_LINES = {
    "write": {"version": 2, "board": 0, "address": 22, "action": 2, "name": "WRITE", "flags": 130,
              "time": {"status": 0, "date": 46363.5}, "comments": "", "received": None,
              "parameters": None, "sent": {"type": 5, "count": 6, "hex": "2a49444e3f00"}},
    "minimal": {"action": 1},
    "all_blocks": {"action": 1, "board": 1, "address": 9, "comments": "note",
                   "received": {"type": 3, "count": 1, "hex": "000000000000f83f"},
                   "parameters": {"type": 6, "count": 0, "hex": ""},
                   "sent": {"type": 0, "count": 2, "hex": "ffffffff01000000"}},
    "version_one": {"version": 1, "action": 13, "time": {"status": 2, "date": 0.1}},
    "raw": {"raw": RECORDS["read_doubles"].hex()},
    "bad_flags": {"action": 1, "flags": 2},
    "version_zero": {"version": 0, "action": 13},
}


def write(folder, name, data):
    os.makedirs(os.path.join(HERE, folder), exist_ok=True)
    with open(os.path.join(HERE, folder, name), "wb") as out:
        out.write(data)


for name, data in RECORDS.items():
    write("record", name, data)
for name, value in JSON_LINES.items():
    write("json", name, json.dumps(value, separators=(",", ":")).encode() + b"\n")
