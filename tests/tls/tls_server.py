#!/usr/bin/env python3
"""The HTTPS tests' servers on 127.0.0.1, each on a free port, all serving FOLDER/package.zip
(read at every request, so the test decides what it is):

  good        certificate for 127.0.0.1 from the test authority
  wrong-name  certificate for another host, from the test authority
  expired     certificate for 127.0.0.1 from the test authority, expired
  untrusted   certificate for 127.0.0.1 from an authority nobody trusts
  downgrade   certificate as good, but redirects every request to plain
  downgrade-resume  as good for a request without a Range, whose body breaks at half (an ETag
              named); redirects every request with one (a resume) to plain
  plain       plain HTTP

The ports are written to FOLDER/ports as "name port" lines once all listen. The servers end
after LIFETIME seconds at most (default 900), or when killed.

usage: tls_server.py FOLDER [LIFETIME]
"""
import http.server
import os
import socketserver
import ssl
import sys
import threading
import time

PACKAGE_PATH = "/Ludra47/LD46DEMO.zip"


def make_handler(folder, redirect_to=None, first_breaks=False):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def log_message(self, *args):
            pass

        def do_GET(self):
            resume = self.headers.get("Range") is not None
            if redirect_to and (resume or not first_breaks):
                self.send_response(302)
                self.send_header("Location", redirect_to())
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            try:
                with open(os.path.join(folder, "package.zip"), "rb") as package:
                    body = package.read()
            except OSError:
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header("Content-Type", "application/zip")
            self.send_header("Content-Length", str(len(body)))
            if first_breaks:
                self.send_header("ETag", '"v1"')
            self.end_headers()
            self.wfile.write(body[: len(body) // 2] if first_breaks else body)

    return Handler


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that refuses the certificate hangs up mid-handshake: no error here


def tls_server(folder, certificate, handler):
    server = Server(("127.0.0.1", 0), handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, certificate), os.path.join(folder, "server.key"))
    server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    return server


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    folder = os.path.abspath(sys.argv[1])
    lifetime = float(sys.argv[2]) if len(sys.argv) > 2 else 900.0
    plain = Server(("127.0.0.1", 0), make_handler(folder))
    plain_url = lambda: f"http://127.0.0.1:{plain.server_address[1]}{PACKAGE_PATH}"
    servers = {
        "good": tls_server(folder, "good.pem", make_handler(folder)),
        "wrong-name": tls_server(folder, "wrong-name.pem", make_handler(folder)),
        "expired": tls_server(folder, "expired.pem", make_handler(folder)),
        "untrusted": tls_server(folder, "untrusted.pem", make_handler(folder)),
        "downgrade": tls_server(folder, "good.pem", make_handler(folder, plain_url)),
        "downgrade-resume": tls_server(folder, "good.pem", make_handler(folder, plain_url, True)),
        "plain": plain,
    }
    for server in servers.values():
        threading.Thread(target=server.serve_forever, daemon=True).start()
    ports = os.path.join(folder, "ports")
    with open(ports + ".new", "w") as out:
        for name, server in servers.items():
            out.write(f"{name} {server.server_address[1]}\n")
    os.replace(ports + ".new", ports)
    time.sleep(lifetime)
    return 0


if __name__ == "__main__":
    sys.exit(main())
