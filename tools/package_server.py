#!/usr/bin/env python3
"""Serves a folder over HTTP on 127.0.0.1, optionally at a limited rate, for the demo and the
benchmarks.

usage: package_server.py FOLDER PORT [--rate BYTES_PER_SECOND]
"""
import http.server
import os
import socketserver
import sys
import time


def make_handler(folder, rate):
    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=folder, **kwargs)

        def log_message(self, *args):
            pass

        def copyfile(self, source, outputfile):
            if not rate:
                return super().copyfile(source, outputfile)
            chunk = max(1024, rate // 20)
            while True:
                data = source.read(chunk)
                if not data:
                    return
                outputfile.write(data)
                time.sleep(len(data) / rate)

    return Handler


def main():
    args = sys.argv[1:]
    if len(args) < 2:
        print(__doc__)
        return 2
    folder, port = os.path.abspath(args[0]), int(args[1])
    rate = int(args[args.index("--rate") + 1]) if "--rate" in args else 0
    class Server(socketserver.ThreadingTCPServer):
        allow_reuse_address = True
        daemon_threads = True

        def handle_error(self, request, client_address):
            pass  # a client that goes away mid-body (a cancelled download) is no error here

    with Server(("127.0.0.1", port), make_handler(folder, rate)) as server:
        server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
