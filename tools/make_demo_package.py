#!/usr/bin/env python3
"""Zips the demo product package (demo/package) into LD46DEMO.zip, deterministically.

usage: make_demo_package.py OUTPUT.zip [--size BYTES]
--size pads the archive with a stored file of random bytes to exactly BYTES (for benchmarks).
"""
import os
import random
import sys
import zipfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "package")
STAMP = (2026, 1, 15, 9, 30, 0)


def write(output, padding):
    with zipfile.ZipFile(output, "w", zipfile.ZIP_DEFLATED) as archive:
        for folder, dirs, files in os.walk(ROOT):
            dirs.sort()
            rel = os.path.relpath(folder, ROOT).replace(os.sep, "/")
            if rel != ".":
                archive.writestr(zipfile.ZipInfo(rel + "/", STAMP), b"")
            for name in sorted(files):
                path = os.path.join(folder, name)
                arcname = name if rel == "." else rel + "/" + name
                info = zipfile.ZipInfo(arcname, STAMP)
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as f:
                    archive.writestr(info, f.read())
        if padding is not None:
            info = zipfile.ZipInfo("DATI/CAMPIONE.BIN", STAMP)
            info.compress_type = zipfile.ZIP_STORED
            archive.writestr(info, random.Random(47).randbytes(padding))


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    output = args[0]
    size = int(args[args.index("--size") + 1]) if "--size" in args else 0
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    if not size:
        write(output, None)
        return 0
    # A stored entry grows the archive byte for byte: measure once, then pad exactly.
    write(output, 0)
    write(output, size - os.path.getsize(output))
    return 0 if os.path.getsize(output) == size else 1


if __name__ == "__main__":
    sys.exit(main())
