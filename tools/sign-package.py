#!/usr/bin/env python3
"""Signs a product package in place with the vendor's private key (PEM, P-256): the zip archive
comment becomes LDSIG1, the key id (the first 8 bytes of the SHA-256 of 04 || X || Y) and the
ECDSA signature r || s of every byte before the comment, the SHA-256 of which is signed. An earlier
LDSIG1 signature is replaced; a zip with another comment is refused. The file is replaced
atomically: a temporary file beside it, then a rename.

Usage: sign-package.py PRIVATE.pem PACKAGE.zip"""
import os
import struct
import sys
import tempfile

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import decode_dss_signature

from package_keys import key_id as id_of_key

MARKER = b"LDSIG1"
COMMENT_SIZE = 78
END_RECORD = b"PK\x05\x06"
END_RECORD_SIZE = 22


def fail(message):
    raise SystemExit(f"sign-package: {message}")


def end_record(data):
    """The offset of the end-of-central-directory record whose comment runs to the end of data."""
    first = max(0, len(data) - END_RECORD_SIZE - 0xFFFF)
    at = data.rfind(END_RECORD, first)
    while at >= 0:
        (comment_length,) = struct.unpack_from("<H", data, at + 20)
        if at + END_RECORD_SIZE + comment_length == len(data):
            return at
        at = data.rfind(END_RECORD, first, at)
    fail("not a zip archive (no end-of-central-directory record at its end)")


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    key_path, package = sys.argv[1], sys.argv[2]
    try:
        key = serialization.load_pem_private_key(open(key_path, "rb").read(), None)
    except (OSError, ValueError, TypeError):
        fail(f"{key_path}: not a readable, unencrypted PEM private key")
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        fail(f"{key_path}: not a P-256 (prime256v1) key")
    try:
        data = open(package, "rb").read()
    except OSError as error:
        fail(f"{package}: {error.strerror}")
    at = end_record(data)
    comment = data[at + END_RECORD_SIZE:]
    if comment and not (len(comment) == COMMENT_SIZE and comment.startswith(MARKER)):
        fail(f"{package}: the archive carries another comment; it is not replaced")
    point = key.public_key().public_bytes(serialization.Encoding.X962, serialization.PublicFormat.UncompressedPoint)
    key_id = id_of_key(point)
    message = data[:at + 20] + struct.pack("<H", COMMENT_SIZE)
    # A signature holding a record's signature could be taken for the end of the archive: ECDSA
    # signs with a new random number each time, so the next one will not.
    while True:
        r, s = decode_dss_signature(key.sign(message, ec.ECDSA(hashes.SHA256())))
        signature = MARKER + key_id + r.to_bytes(32, "big") + s.to_bytes(32, "big")
        if END_RECORD not in signature:
            break
    folder = os.path.dirname(os.path.abspath(package))
    handle, temp = tempfile.mkstemp(prefix=".signing-", dir=folder)
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(message + signature)
        os.chmod(temp, os.stat(package).st_mode & 0o7777)
        os.replace(temp, package)
    except BaseException:
        os.unlink(temp)
        raise
    print(f"signed {package} with key id {key_id.hex()}")


if __name__ == "__main__":
    main()
