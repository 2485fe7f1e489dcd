#!/usr/bin/env python3
"""Builds the cipher's known-answer files with Python's own AES, HMAC and
PBKDF2, apart from the program's code. Run from anywhere; it rewrites the
files in its own folder.

Layout: salt | 2-byte password check | AES-CTR cipher text (counter in the
first 8 bytes of the block, little-endian, starting at 1) | HMAC-SHA1[:10]
over the cipher text. Key material: PBKDF2-HMAC-SHA1, 1000 iterations,
2K+2 bytes = AES key | HMAC key | check.

vectors.txt, one row per vector, fields separated by blanks:
  name  passphrase  salt-hex  plain  sha1-of-enciphered-hex  fixture
plain is "file:NAME" (a file here) or "pattern:N" (N bytes, byte i being
(31*i + i//257) % 256); fixture is the enciphered file kept here, or "-".
"""

import hashlib
import hmac
import os
import struct

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

HERE = os.path.dirname(os.path.abspath(__file__))


def pattern(n):
    return bytes((31 * i + i // 257) % 256 for i in range(n))


def sizes_for(passphrase):
    n = len(passphrase)
    if n < 32:
        return 16, 8
    if n < 48:
        return 24, 12
    return 32, 16


def encipher(passphrase, salt, plain):
    key_len, salt_len = sizes_for(passphrase)
    assert len(salt) == salt_len
    material = hashlib.pbkdf2_hmac("sha1", passphrase, salt, 1000, 2 * key_len + 2)
    aes_key, mac_key, check = material[:key_len], material[key_len:2 * key_len], material[2 * key_len:]
    blocks = (len(plain) + 15) // 16
    counters = b"".join(struct.pack("<Q", i + 1) + bytes(8) for i in range(blocks))
    encryptor = Cipher(algorithms.AES(aes_key), modes.ECB()).encryptor()
    stream = encryptor.update(counters) + encryptor.finalize()
    cipher_text = bytes(p ^ k for p, k in zip(plain, stream))
    code = hmac.new(mac_key, cipher_text, hashlib.sha1).digest()[:10]
    return salt + check + cipher_text + code


SHORT = ("<%%ApplicationName%%>Acme Pages<%%/ApplicationName%%>\r\n"
         "<%%BranderType%%>Gold<%%/BranderType%%>\r\n").encode("ascii")

SETTINGS = b"qbxwrnmzte"
P31 = b"abcdefghijklmnopqrstuvwxyz01234"
P32 = P31 + b"5"
P47 = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstu"
P48 = P47 + b"v"
P128 = (b"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ" * 3)[:128]

SALT8 = bytes.fromhex("0102030405060708")
SALT12 = bytes.fromhex("f0e1d2c3b4a5968778695a4b")
SALT16 = bytes.fromhex("00112233445566778899aabbccddeeff")

# (name, passphrase, salt, plain source, keep the enciphered file)
VECTORS = [
    ("m1-empty", SETTINGS, SALT8, "pattern:0", True),
    ("m1-short", SETTINGS, SALT8, "file:short.txt", True),
    ("m1-262144", SETTINGS, SALT8, "pattern:262144", False),
    ("m1-262145", SETTINGS, SALT8, "pattern:262145", True),
    ("m1-31", P31, SALT8, "file:short.txt", True),
    ("m2-empty", P32, SALT12, "pattern:0", True),
    ("m2-short", P32, SALT12, "file:short.txt", True),
    ("m2-262144", P32, SALT12, "pattern:262144", False),
    ("m2-262145", P32, SALT12, "pattern:262145", False),
    ("m2-47", P47, SALT12, "file:short.txt", True),
    ("m3-empty", P48, SALT16, "pattern:0", True),
    ("m3-short", P48, SALT16, "file:short.txt", True),
    ("m3-262144", P48, SALT16, "pattern:262144", False),
    ("m3-262145", P48, SALT16, "pattern:262145", False),
    ("m3-128", P128, SALT16, "file:short.txt", True),
]


def plain_for(source):
    kind, value = source.split(":", 1)
    if kind == "pattern":
        return pattern(int(value))
    with open(os.path.join(HERE, value), "rb") as f:
        return f.read()


def main():
    with open(os.path.join(HERE, "short.txt"), "wb") as f:
        f.write(SHORT)
    rows = []
    for name, passphrase, salt, source, keep in VECTORS:
        enciphered = encipher(passphrase, salt, plain_for(source))
        fixture = "-"
        if keep:
            fixture = name + ".dat"
            with open(os.path.join(HERE, fixture), "wb") as f:
                f.write(enciphered)
        rows.append(" ".join([name, passphrase.decode("ascii"), salt.hex(), source,
                              hashlib.sha1(enciphered).hexdigest(), fixture]))
    with open(os.path.join(HERE, "vectors.txt"), "w", newline="\n") as f:
        f.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    main()
