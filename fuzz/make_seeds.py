#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/.

Realistic lines come from the project's own generator (tarnwick-gencat); the
rest are the awkward cases the reader, the parsers and the scanner must get
right. Run from the repository root after building tarnwick-gencat:
    python3 fuzz/make_seeds.py build/bin/tarnwick-gencat
The files are committed; this script documents where they came from.
"""
import pathlib
import subprocess
import sys

root = pathlib.Path(__file__).resolve().parent / "corpus"
gencat = sys.argv[1] if len(sys.argv) > 1 else "build/bin/tarnwick-gencat"


def write(kind, name, data):
    path = root / kind / name
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def put(line, pos, text):
    line = bytearray(line)
    if len(line) < pos + len(text):
        line.extend(b" " * (pos + len(text) - len(line)))
    line[pos:pos + len(text)] = text
    return bytes(line)


catalogue = subprocess.run([gencat, "-n", "6", "-s", "7", "--numbered-share", "0.5"],
                           check=True, capture_output=True).stdout
lines = catalogue.split(b"\n")
orbit = [l for l in lines if len(l) >= 151]
numbered, unnumbered = orbit[0], orbit[-1]
SEPARATORS = [7, 13, 19, 25, 35, 46, 57, 68, 79, 91, 103, 145]

c = "catalogue"
write(c, "empty", b"")  # the first finding: fields of an empty line
write(c, "header", b"\n".join(lines[:8]) + b"\n")
write(c, "tail-of-header-and-objects", b"\n".join(lines[-12:]))
write(c, "numbered", numbered + b"\n")
write(c, "unnumbered-days-arc", unnumbered + b"\n")
write(c, "crlf", b"\r\n".join(orbit[:2]) + b"\r\n")
write(c, "cr-only", b"\r".join(orbit[:2]) + b"\r")
write(c, "control-z", orbit[0] + b"\n\x1a" + orbit[1] + b"\n")
write(c, "no-final-newline", b"\n\n" + orbit[1])
write(c, "empty-lines", b"\n" * 64)
write(c, "line-150", numbered[:150] + b"\n")
write(c, "line-151", numbered[:151] + b"\n")
write(c, "separator-taken", put(numbered, 145, b"x") + b"\n")
write(c, "zero-bytes-in-fields",
      put(put(put(put(put(numbered, 9, b"\0"), 28, b"\0"), 109, b"\0"), 129, b"\0"), 176, b"\0") + b"\n")
high = bytes(0x20 if i in SEPARATORS else 0x80 + i % 0x80 for i in range(202))
write(c, "high-bytes-everywhere", high + b"\n")
write(c, "e9-everywhere", bytes(0x20 if i in SEPARATORS else 0xE9 for i in range(202)))
odd = numbered
for pos, text in [(8, b"-9e99"), (14, b"  nan"), (20, b"\xe9~ \x00A"), (26, b"0x1p-1074"),
                  (37, b"1e999    "), (48, b"-inf     "), (59, b"nan(0x7) "), (70, b"4.9e-324 "),
                  (80, b"-0.0000000 "), (92, b"  infinity "), (105, b"\xff"), (117, b"99999"),
                  (123, b"-99"), (127, b"0-9999999"), (137, b"\x00\x00\x00\x00"),
                  (161, b"ffff"), (194, b"99999999")]:
    odd = put(odd, pos, text)
write(c, "odd-numbers", odd + b"\n")
arcs = b"".join(put(numbered, 127, arc) + b"\n" for arc in
                [b"9999-0000", b"   0 days", b"2147 days", b"-5--6    ", b"1893 2025", b"1893-    "])
write(c, "arcs", arcs)
epochs = b"".join(put(numbered, 20, e) + b"\n" for e in
                  [b"K05BU", b"J969K", b"I0000", b"K-9zz", b"     ", b"J1582", b"K2\x00AA"])
write(c, "epochs", epochs)
write(c, "packed-numbers", b"".join(put(numbered, 0, n) + b"\n" for n in
                                    [b"A0345", b"a0001", b"z9999", b"K05A0", b"~0001", b"0000 "]))
write(c, "long-line", numbered + b"x" * 3000 + b"\n")

n = "number_scan"
for i, text in enumerate([
        "1.5", "  -0", "+.5e-3", "1e+ 2", "1e", "0x", "0x1p", "0x1.8p3", "0X.8P-1", "-0x1p-1075",
        "infinit", "INFINITY", "-Inf", "nan", "nan(123)", "nan(0x7)", "nan(", "-nan(abc_9)",
        "nan()", "1e400", "-1e-400", "4.9406564584124654e-324", "2.4703282292062328e-324",
        "9007199254740993", "1.00000000000000011102230246251565404236316680908203125",
        "0." + "0" * 340 + "1", "1" * 400, "0.1", " \t\v\f\r\n42", "2147483648", "-2147483649",
        "9223372036854775808", "-9223372036854775809", "-0x80000000", "0xffffffffffffffff1",
        "12-34", "12 -34", "12- 34", "1893-2025", "-5--6", "\0 12", "1.5\0e3", "  .", "+-1",
        "0x1.fffffffffffff8p1023", "1.7976931348623158e308", "0.5e", "5e-3x", ".e1",
        ]):
    write(n, "%02d" % i, text)

f = "fast_path"
for i, line in enumerate(orbit[:4] + orbit[-4:]):
    write(f, "line-%d" % i, line)
# The forms each field may take beside the plain one.
for name, pos, text in [("h-one-decimal", 8, b"16.3 "), ("h-blank", 8, b"     "),
                        ("h-blank-after-digit", 7, b"18 .08"),
                        ("g-negative", 14, b"-0.05"), ("g-blank", 14, b"     "),
                        ("m-long", 26, b"1234.5678"), ("m-sign", 26, b"  +0.1234"),
                        ("e-exponent", 70, b"0.2228e35"), ("n-no-point", 80, b" 055989008 "),
                        ("a-wide", 92, b"1234567.123"), ("zero-negative", 59, b" -0.00000"),
                        ("dates", 194, b"   1 2 3"), ("arc-odd", 127, b" 12-  3  "),
                        ("obs-sign", 117, b"  -12"), ("flags-short", 161, b" 1F ")]:
    write(f, name, put(numbered, pos, text))

# The decompressing input: a control byte (piece count in bits 0-2, pipeline
# shape in bits 3-4), the piece sizes less one, then a gzip or ZIP body.
import io
import struct
import zipfile
import zlib

d = "decompressing_input"
text = b"\n".join(orbit[:3]) + b"\n"


def gzip_member(data, flags=0):
    header = bytes([0x1F, 0x8B, 8, flags, 1, 2, 3, 4, 0, 3])
    if flags & 4:
        header += b"\x05\x00extra"
    if flags & 8:
        header += b"MPCORB.DAT\x00"
    if flags & 16:
        header += b"a comment\x00"
    if flags & 2:
        header += struct.pack("<H", zlib.crc32(header) & 0xFFFF)
    deflater = zlib.compressobj(6, zlib.DEFLATED, -15)
    body = deflater.compress(data) + deflater.flush()
    return header + body + struct.pack("<II", zlib.crc32(data), len(data))


def zipped(data, name="MPCORB.DAT", method=zipfile.ZIP_DEFLATED, zip64=False, stream=False):
    raw = io.BytesIO()

    class Unseekable(io.RawIOBase):
        def writable(self):
            return True

        def write(self, b):
            return raw.write(b)

    with zipfile.ZipFile(Unseekable() if stream else raw, "w", method) as z:
        info = zipfile.ZipInfo(name, date_time=(2026, 12, 7, 0, 0, 0))
        info.compress_type = method
        with z.open(info, "w", force_zip64=zip64) as f:
            f.write(data)
    return raw.getvalue()


write(d, "gzip-plain", b"\x00" + gzip_member(text))
write(d, "gzip-hcrc-in-pieces", b"\x03\x00\x03\x10" + gzip_member(text, 2))
write(d, "gzip-name-comment-in-pieces", b"\x0a\x03\x00" + gzip_member(text, 8 | 16))
write(d, "gzip-extra-name-bytewise", b"\x11\x00" + gzip_member(text, 4 | 8))
write(d, "gzip-two-members-padded", b"\x1a\x3f\x07" + gzip_member(text[:50]) + b"\0" * 9
      + gzip_member(text[50:], 2 | 4 | 8 | 16))
write(d, "zip-deflate", b"\x00" + zipped(text))
write(d, "zip-stored", b"\x08" + zipped(text, method=zipfile.ZIP_STORED))
write(d, "zip64", b"\x10" + zipped(text, zip64=True))
write(d, "zip-data-descriptor", b"\x18" + zipped(text, stream=True))
write(d, "zip-other-name", b"\x00" + zipped(text, name="dir/catalogue.txt"))
