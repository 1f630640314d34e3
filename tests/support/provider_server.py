#!/usr/bin/env python3
"""A model provider stand-in on the loopback address, for the tests of real model calls.

It listens on a free port of 127.0.0.1 that it picks itself and writes to --port-file, records
every request it receives to --record-dir (request-1, request-2, ...: the method and path, the
headers in the order received, an empty line, then the body bytes), and answers each path given
with --route PATH STATUS FILE by that file's bytes. With --silent it reads and records requests
but never answers. It stops by itself after --lifetime seconds.
"""

import argparse
import http.server
import itertools
import os
import threading


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--record-dir", required=True)
    parser.add_argument("--route", nargs=3, action="append", default=[],
                        metavar=("PATH", "STATUS", "FILE"))
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--lifetime", type=float, default=60.0)
    return parser.parse_args()


def write_atomically(path, data):
    partial = path + ".partial"
    with open(partial, "wb") as out:
        out.write(data)
    os.replace(partial, path)


def make_handler(arguments):
    routes = {path: (int(status), file) for path, status, file in arguments.route}
    numbers = itertools.count(1)
    numbers_lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length)
            self.record(body)
            if arguments.silent:
                # Hold the connection until the client gives up.
                self.rfile.read(1)
                self.close_connection = True
                return
            status, file = routes.get(self.path, (404, None))
            if file is None:
                answer = b"404 page not found"
            else:
                with open(file, "rb") as source:
                    answer = source.read()
            self.send_response(status)
            self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(answer)))
            self.end_headers()
            self.wfile.write(answer)

        def record(self, body):
            lines = [f"{self.command} {self.path}"]
            lines += [f"{name}: {value}" for name, value in self.headers.raw_items()]
            head = ("\n".join(lines) + "\n\n").encode("utf-8", "surrogateescape")
            with numbers_lock:
                number = next(numbers)
            write_atomically(os.path.join(arguments.record_dir, f"request-{number}"), head + body)

        def log_message(self, format, *args):
            pass

    return Handler


def main():
    arguments = parse_arguments()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), make_handler(arguments))
    server.daemon_threads = True
    write_atomically(arguments.port_file, str(server.server_address[1]).encode())
    serving = threading.Thread(target=server.serve_forever, daemon=True)
    serving.start()
    serving.join(arguments.lifetime)
    server.shutdown()


if __name__ == "__main__":
    main()
