#!/usr/bin/python3
"""A provider for the signer's tests: python3-oauthlib verifies each request as received, and the
reply echoes what arrived (Authorization entries, query and body) whether or not it verified.
Status 200 when the signature verified, 401 otherwise.

usage: oauth_echo.py PORT [CERT KEY]
"""

import os
import ssl
import sys
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, urlsplit

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "simulator"))

from warbler_sim.oauth_check import HEADER_ENTRY, Verifier  # noqa: E402
from warbler_sim.store import Store  # noqa: E402

CONSUMER = ("echo-consumer-key", "echo consumer secret/+%")
TOKEN = ("77-echo-token", "echo token secret &=")


class Echo(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        sys.stderr.write("%s\n" % (fmt % args))

    def do_GET(self):
        self.answer("GET")

    def do_POST(self):
        self.answer("POST")

    def answer(self, method):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length).decode("utf-8", errors="replace") if length else ""
        scheme = "https" if isinstance(self.connection, ssl.SSLSocket) else "http"
        uri = "%s://%s%s" % (scheme, self.headers["Host"], self.path)
        valid, _ = self.server.verifier.signed(uri, method, body, dict(self.headers.items()))
        lines = ["method " + method]
        authorization = self.headers.get("Authorization", "")
        for name, value in HEADER_ENTRY.findall(authorization[6:]):
            lines.append("header %s=%s" % (name, value))
        for name, value in parse_qsl(urlsplit(self.path).query, keep_blank_values=True):
            lines.append("query %s=%s" % (name, value))
        for name, value in parse_qsl(body, keep_blank_values=True):
            lines.append("body %s=%s" % (name, value))
        data = ("\n".join(lines) + "\n").encode("utf-8")
        self.send_response(200 if valid else 401)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        if not valid:
            self.send_header("WWW-Authenticate", 'OAuth realm="echo"')
        self.end_headers()
        self.wfile.write(data)


def main():
    store = Store()
    store.add_app(CONSUMER[0], CONSUMER[1], "Echo")
    store.add_access_token(TOKEN[0], TOKEN[1], CONSUMER[0], 77)
    server = ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Echo)
    server.daemon_threads = True
    server.verifier = Verifier(store)
    if len(sys.argv) == 4:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[2], sys.argv[3])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
