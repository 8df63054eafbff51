#!/usr/bin/env python3
"""Prints what a built ldsetup.exe trusts, read from its bytes: each built-in package key (an id
followed by the point it is the id of, as tools/package_keys.py lays them out) as "key ID", the
pinned package digest (64 hexadecimal digits ending a string) as "digest HEX", or "UNVERIFIED"
when it has neither and unpacks any package.

Usage: trusted_keys.py PROGRAM.exe"""
import re
import sys

from package_keys import key_id

ID_SIZE = 8
POINT_SIZE = 64


def built_in_keys(data):
    ids = []
    view = memoryview(data)
    for offset in range(len(data) - ID_SIZE - POINT_SIZE + 1):
        # An id followed by the point it is the id of.
        if key_id(b"\x04" + view[offset + ID_SIZE:offset + ID_SIZE + POINT_SIZE]) == view[offset:offset + ID_SIZE]:
            ids.append(data[offset:offset + ID_SIZE].hex())
    return ids


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    with open(sys.argv[1], "rb") as program:
        data = program.read()
    lines = [f"key {key_id}" for key_id in built_in_keys(data)]
    lines += [f"digest {m.group(1).decode().lower()}"
              for m in re.finditer(rb"(?<![0-9A-Fa-f])([0-9A-Fa-f]{64})\x00", data)]
    print("\n".join(lines) if lines else "UNVERIFIED")


if __name__ == "__main__":
    main()
