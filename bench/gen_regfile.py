#!/usr/bin/env python3
"""Generates a large registry export file for the converter benchmark.

    gen_regfile.py SIZE_MB OUTPUT [--utf16] [--seed N] [--root ROOT]

The file holds deep key paths under every section the converter routes
(HKLM\\SOFTWARE, HKCR, HKCU, HKLM\\SYSTEM\\CurrentControlSet, delete
headers), comments, and values of every kind: strings with escapes and
paths to rewrite, DWORDs, short and long multi-line binaries, hex(2) and
hex(7) byte lists, other hex(n) types, deletions. Lines end in CR LF, as
the registry editor writes them. The output is ANSI (code page 1252), or
UTF-16LE with the byte-order mark FF FE; either way it stops at the first
key block that reaches SIZE_MB megabytes (10^6 bytes) on disk. With
--root every key lies below ROOT, as in an export of one hive.
"""

import argparse
import random
import sys

ROOTS = [
    ("HKEY_LOCAL_MACHINE\\SOFTWARE", 6),
    ("HKEY_CLASSES_ROOT", 2),
    ("HKEY_CURRENT_USER\\Software", 4),
    ("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services", 2),
    ("-HKEY_CURRENT_USER\\Software", 1),
    ("HKEY_USERS\\.DEFAULT\\Software", 1),
]
WORDS = ["Vendor", "Product", "Component", "Settings", "Options", "Cache", "Plugins",
         "Shell", "Open", "Command", "Profiles", "Default", "Parameters", "Linkage",
         "Security", "Windows", "Explorer", "Advanced", "History", "Recent"]
TEXTS = ["C:\\\\Program Files\\\\{w}{n}\\\\bin\\\\app{n}.exe",
         "%SystemRoot%\\\\system32\\\\{w}{n}.dll",
         "C:\\\\WINDOWS\\\\Temp\\\\{w}",
         "Plain text value number {n} for {w}",
         "say \\\"{w}\\\" {n} times",
         "%USERPROFILE%\\\\Documents\\\\{w}{n}",
         "D:\\\\Data\\\\{w}\\\\{n}.dat"]


def hex_lines(prefix, data):
    """The byte list as the registry editor wraps it: at most 80 columns."""
    out = []
    line = prefix
    last = len(data) - 1
    for i, b in enumerate(data):
        piece = "%02x," % b if i < last else "%02x" % b
        if len(line) + len(piece) > 78 and i < last:
            out.append(line + "\\\r\n")
            line = "  "
        line += piece
    out.append(line + "\r\n")
    return "".join(out)


def wide(text):
    return text.encode("utf-16-le") + b"\0\0"


def key_block(rng, serial, only_root=None):
    root, _ = rng.choices(ROOTS, weights=[w for _, w in ROOTS])[0]
    if only_root is not None:
        root = only_root
    depth = rng.randint(2, 9)
    parts = ["%s%d" % (rng.choice(WORDS), rng.randint(0, 99)) for _ in range(depth)]
    out = ["[%s\\%s]\r\n" % (root, "\\".join(parts))]
    if root.startswith("-"):
        return "".join(out)
    if rng.random() < 0.3:
        out.append("; settings of block %d\r\n" % serial)
    for v in range(rng.randint(3, 12)):
        name = "Value%d_%d" % (serial % 1000, v)
        name = "@" if v == 0 and rng.random() < 0.3 else '"%s"' % name
        kind = rng.random()
        w = rng.choice(WORDS)
        n = rng.randint(0, 99999)
        if kind < 0.35:
            out.append('%s="%s"\r\n' % (name, rng.choice(TEXTS).format(w=w, n=n)))
        elif kind < 0.55:
            out.append("%s=dword:%08x\r\n" % (name, rng.getrandbits(32)))
        elif kind < 0.68:
            data = bytes(rng.getrandbits(8) for _ in range(rng.randint(1, 24)))
            out.append(hex_lines("%s=hex:" % name, data))
        elif kind < 0.76:
            data = bytes(rng.getrandbits(8) for _ in range(rng.randint(100, 1500)))
            out.append(hex_lines("%s=hex:" % name, data))
        elif kind < 0.85:
            text = rng.choice(TEXTS).format(w=w, n=n).replace("\\\\", "\\").replace('\\"', '"')
            out.append(hex_lines("%s=hex(2):" % name, wide(text)))
        elif kind < 0.93:
            items = ["%s%d" % (rng.choice(WORDS), rng.randint(0, 999)) for _ in range(rng.randint(1, 6))]
            data = b"".join(wide(i) for i in items) + b"\0\0"
            out.append(hex_lines("%s=hex(7):" % name, data))
        elif kind < 0.97:
            n_type = rng.choice([0, 4, 5, 8, 0xb, 0x1a])
            data = bytes(rng.getrandbits(8) for _ in range(rng.randint(4, 60)))
            out.append(hex_lines("%s=hex(%x):" % (name, n_type), data))
        else:
            out.append("%s=-\r\n" % name)
    out.append("\r\n")
    return "".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("size_mb", type=float)
    parser.add_argument("output")
    parser.add_argument("--utf16", action="store_true")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--root", help="every key below this root")
    args = parser.parse_args()
    target = int(args.size_mb * 1_000_000)
    rng = random.Random(args.seed)
    encoding = "utf-16-le" if args.utf16 else "cp1252"
    written = 0
    serial = 0
    with open(args.output, "wb") as f:
        head = "Windows Registry Editor Version 5.00\r\n\r\n"
        data = (b"\xff\xfe" if args.utf16 else b"") + head.encode(encoding)
        f.write(data)
        written += len(data)
        chunk = []
        chunk_len = 0
        while written + chunk_len < target:
            block = key_block(rng, serial, args.root).encode(encoding)
            serial += 1
            chunk.append(block)
            chunk_len += len(block)
            if chunk_len >= 4_000_000:
                f.write(b"".join(chunk))
                written += chunk_len
                chunk, chunk_len = [], 0
        f.write(b"".join(chunk))
        written += chunk_len
    print("%s: %d bytes, %d key blocks" % (args.output, written, serial), file=sys.stderr)


if __name__ == "__main__":
    main()
