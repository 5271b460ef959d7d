"""The throw-away HTTPS server on 127.0.0.1 that update's tests and the
benchmark serve their catalogues from.

    serve(folder, handler_class)

makes a self-signed certificate for 127.0.0.1 in `folder` (cert.pem, which
the client is told to trust, and key.pem), prints the port it listens on in
one line and serves with `handler_class`, a subclass of QuietHandler, until
it is killed.
"""
import http.server
import os
import ssl
import subprocess


class QuietHandler(http.server.BaseHTTPRequestHandler):
    """HTTP/1.1, no log lines, and no waiting for acknowledgements before
    sending (TCP_NODELAY), as production servers send."""
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True

    def log_message(self, *args):
        pass


def serve(folder, handler_class):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler_class)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()
