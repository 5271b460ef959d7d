#!/usr/bin/env python3
"""The benchmark's HTTPS server on 127.0.0.1: serves one file for update.

    https_server.py FOLDER FILE [BYTES_PER_SECOND [--no-validators]]

Makes a self-signed certificate for 127.0.0.1 in FOLDER (cert.pem), serves
FILE under any path, with its length and validators, at most
BYTES_PER_SECOND when given, and prints its port on one line. Runs until it
is killed. It answers a conditional request in full too, as a server does
on the day the catalogue has changed: every update downloads the file and
keeps its copy, as the real refresh does (--no-validators: sends none, so
that nothing is kept). Like a production server it sends
without waiting for acknowledgements (TCP_NODELAY): a Python server that
waits meets the client's delayed acknowledgement, 40 ms a time.
"""
import os
import sys
import time

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from local_https import QuietHandler, serve  # noqa: E402

folder, served = sys.argv[1], sys.argv[2]
rate = float(sys.argv[3]) if len(sys.argv) > 3 else 0.0
validators = "--no-validators" not in sys.argv[4:]
with open(served, "rb") as f:
    body = f.read()
CHUNK = 1 << 18


class Handler(QuietHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Content-Type", "application/gzip")
        if validators:
            self.send_header("ETag", '"%x"' % len(body))
            self.send_header("Last-Modified", "Mon, 07 Dec 2026 06:00:00 GMT")
        self.end_headers()
        view = memoryview(body)
        start = time.monotonic()
        for at in range(0, len(body), CHUNK):
            if rate > 0:
                # Paced against the start, so that the average is the rate.
                due = start + at / rate
                pause = due - time.monotonic()
                if pause > 0:
                    time.sleep(pause)
            self.wfile.write(view[at:at + CHUNK])
        self.wfile.flush()


serve(folder, Handler)
