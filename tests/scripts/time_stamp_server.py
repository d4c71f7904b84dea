#!/usr/bin/env python3
"""A local RFC 3161 time-stamp server for the signing test: each request posted to it is answered
by `openssl ts -reply` with the test's own time-stamping certificate. It listens on 127.0.0.1 at a
free port, which it writes to PORT_FILE once it is ready.
    time_stamp_server.py CONFIG CERT KEY PORT_FILE"""
import http.server
import os
import subprocess
import sys
import tempfile

config, cert, key, port_file = sys.argv[1:5]


class TimeStamps(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as work:
            query_file, reply_file = os.path.join(work, "query"), os.path.join(work, "reply")
            with open(query_file, "wb") as f:
                f.write(query)
            made = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", query_file,
                                   "-signer", cert, "-inkey", key, "-out", reply_file],
                                  capture_output=True).returncode == 0
            reply = open(reply_file, "rb").read() if made else b""
        self.send_response(200 if made else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), TimeStamps)
with open(port_file + ".part", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".part", port_file)
server.serve_forever()
