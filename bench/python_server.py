#!/usr/bin/env python3
"""The peer of bench/server: the routes that `pellix serve` answers for
bench/programs/server.plx (health, the list of items, the compute flow), served by Python's
standard library over the same SQLite file, one connection at a time like pellix.

Usage: python_server.py DATABASE [--threads]; prints the port it bound on its first line."""
import http.server
import json
import sqlite3
import sys
import threading

HEALTH = {"ok": True, "version": "0.1.0"}
local = threading.local()


def connection():
    """One SQLite connection per serving thread."""
    if not hasattr(local, "db"):
        local.db = sqlite3.connect(sys.argv[1])
    return local.db


def items():
    cursor = connection().execute("SELECT * FROM item LIMIT 100")
    columns = [column[0] for column in cursor.description]
    return {"ok": True, "data": [dict(zip(columns, row)) for row in cursor]}


def compute():
    total = 0
    for item in [1, 2, 3, 4, 5, 6, 7, 8, 9, 10]:
        total = total + item * item
    return {"ok": True, "result": {"total": total, "count": 10}, "cost": 0.0}


ROUTES = {"/api/health": lambda: HEALTH, "/api/item": items, "/api/compute": compute}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        route = ROUTES.get(self.path)
        status, body = (200, route()) if route else (404, {"error": "not found"})
        data = json.dumps(body, separators=(",", ":")).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Access-Control-Allow-Origin", "*")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


server_type = http.server.ThreadingHTTPServer if "--threads" in sys.argv else http.server.HTTPServer
server = server_type(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
