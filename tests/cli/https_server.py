#!/usr/bin/env python3
"""A throw-away HTTPS server on 127.0.0.1 for update's tests.

    https_server.py FOLDER CATALOGUE

Makes a self-signed certificate for 127.0.0.1 in FOLDER (cert.pem), serves
CATALOGUE gzipped under the paths below, and prints its port on one line.
Runs until it is killed.
"""
import gzip
import io
import os
import sys
import time
import zipfile

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from local_https import QuietHandler, serve  # noqa: E402

folder, catalogue = sys.argv[1], sys.argv[2]
with open(catalogue, "rb") as f:
    plain = f.read()
body = gzip.compress(plain)
with open(os.path.join(folder, "body.gz"), "wb") as f:
    f.write(body)
archive = io.BytesIO()
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("MPCORB.DAT", plain)
# Once 0x1A has ended the catalogue, the transfer fails while the rest is read.
ended = gzip.compress(plain + b"\x1a" + os.urandom(1 << 20))
ETAG = '"v1"'
# A close-delimited plain body cut 180 characters into line 1001.
cut = plain.index(b"\n", 0)
for _ in range(1000):
    cut = plain.index(b"\n", cut + 1)
cut_plain = plain[: cut + 1 + 180]
# A megabyte of header lines first: the body is far larger than the pair.
padded = (b"-" * 79 + b"\n") * (1 << 13) + plain
MODIFIED = "Mon, 07 Dec 2026 06:00:00 GMT"


class Handler(QuietHandler):
    def send(self, status, data, length=None, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(data) if length is None else length))
        self.end_headers()
        self.wfile.write(data)
        self.wfile.flush()

    def do_GET(self):
        path = self.path
        if path.endswith("/MPCORB.DAT.gz"):
            if self.headers.get("If-None-Match") == ETAG:
                self.send_response(304)
                self.end_headers()
            else:
                self.send(200, body, headers=[("ETag", ETAG), ("Last-Modified", MODIFIED)])
        elif path == "/cut-plain":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("ETag", ETAG)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(cut_plain)
            self.wfile.flush()
            self.close_connection = True
        elif path == "/no-line-end":
            self.send(200, plain.rstrip(b"\n"), headers=[("ETag", ETAG)])
        elif path == "/padded":
            self.send(200, padded, headers=[("ETag", ETAG)])
        elif path == "/bad-validators":
            self.send(200, body, headers=[("ETag", '"v1\x1b[2J"'), ("Last-Modified", MODIFIED + "\x7f")])
        elif path.startswith("/long-"):
            self.send(200, body, headers=[("ETag", ETAG)])
        elif path == "/huge":  # announces 3 GiB, sends a little, closes
            self.send(200, body[:1024], length=3 << 30)
            self.close_connection = True
        elif path == "/slow.gz":  # about 6 s in 64 pieces
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            step = len(body) // 64 + 1
            for at in range(0, len(body), step):
                self.wfile.write(body[at : at + step])
                self.wfile.flush()
                time.sleep(0.1)
        elif path == "/early-end":  # 0x1A ends the catalogue; far more follows
            self.send(200, plain + b"\x1a" + b"x" * (4 << 20), headers=[("ETag", ETAG)])
        elif path == "/MPCORB.ZIP":
            self.send(200, archive.getvalue(), headers=[("ETag", ETAG)])
        elif path == "/cut-after-end.gz":
            self.send(200, ended[: len(ended) - (256 << 10)], length=len(ended))
            self.close_connection = True
        elif path == "/plain-http":
            self.send(302, b"", headers=[("Location", "http://127.0.0.1:%d/MPCORB.DAT.gz"
                                          % self.server.server_address[1])])
        elif path == "/cut-short":
            self.send(200, body[: len(body) // 2], length=len(body))
            self.close_connection = True
        elif path == "/damaged.gz":
            self.send(200, body[: len(body) // 2])
        elif path == "/page":
            self.send(200, b"<html><body>Service unavailable</body></html>\n",
                      headers=[("Content-Type", "text/html"), ("ETag", ETAG)])
        elif path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.flush()
            time.sleep(60)
        else:
            self.send(404, b"not found\n")


serve(folder, Handler)
