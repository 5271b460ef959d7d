#!/usr/bin/env python3
"""A throw-away HTTPS server on 127.0.0.1 for update's tests.

    https_server.py FOLDER CATALOGUE

Makes a self-signed certificate for 127.0.0.1 in FOLDER (cert.pem), serves
CATALOGUE gzipped under the paths below, and prints its port on one line.
Runs until it is killed.
"""
import gzip
import http.server
import io
import os
import ssl
import subprocess
import sys
import time
import zipfile

folder, catalogue = sys.argv[1], sys.argv[2]
cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1",
                "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                "-keyout", key, "-out", cert], check=True, capture_output=True)
with open(catalogue, "rb") as f:
    plain = f.read()
body = gzip.compress(plain)
archive = io.BytesIO()
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("MPCORB.DAT", plain)
# Once 0x1A has ended the catalogue, the transfer fails while the rest is read.
ended = gzip.compress(plain + b"\x1a" + os.urandom(1 << 20))
ETAG = '"v1"'
MODIFIED = "Mon, 07 Dec 2026 06:00:00 GMT"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

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
                      headers=[("Content-Type", "text/html")])
        elif path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.flush()
            time.sleep(60)
        else:
            self.send(404, b"not found\n")

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
