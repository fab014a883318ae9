#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A stand-in for a web service, on 127.0.0.1 and a free port, for the network tests.

fake_service.py ANSWERS LOG: ANSWERS is a JSON file {"ROUTE": [ANSWER, ...], ...}; a request
whose path and query contain ROUTE (the longest that matches) gets the route's next answer, the
last one again once they are used up. An ANSWER is {"status": 200, "body": "...", "headers":
{...}, "delay": SECONDS}, with "body64" (base64) in place of "body" for bytes. Every request is
logged to LOG as "TIME PATH USER-AGENT". The port is printed on the first line of standard
output.
"""
import base64
import json
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ANSWERS = json.load(open(sys.argv[1]))
LOG = sys.argv[2]
served = {}
lock = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        with lock:
            with open(LOG, "a") as log:
                log.write(f"{time.time():.3f} {self.path} {self.headers.get('User-Agent')}\n")
            routes = [r for r in ANSWERS if r in self.path]
            if not routes:
                answer = {"status": 404, "body": "no such thing"}
            else:
                route = max(routes, key=len)
                n = served.get(route, 0)
                served[route] = n + 1
                answer = ANSWERS[route][min(n, len(ANSWERS[route]) - 1)]
        time.sleep(answer.get("delay", 0))
        body = (base64.b64decode(answer["body64"]) if "body64" in answer
                else answer.get("body", "").encode())
        try:
            self.send_response(answer.get("status", 200))
            for name, value in answer.get("headers", {}).items():
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def log_message(self, *args):
        pass


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
print(server.server_address[1], flush=True)
server.serve_forever()
