#!/usr/bin/python3
"""A small HTTP (or, with --cert and --key, HTTPS) server on 127.0.0.1 for the tests.

Serves the files under --root, and misbehaves on request by the first part of the path:
  /status/CODE/...      answers CODE with an HTML page naming it
  /redirect/PATH        answers 302 pointing at /PATH (or at PATH when it is a URL)
  /nolength/FILE        serves FILE without a Content-Length, closing the connection
  /stall/FILE           announces FILE's size, sends half of it, waits --stall seconds,
                        then sends the rest
  /slow/FILE            sends FILE one byte every 0.2 s
  /hold/FILE            serves FILE once a file named "release" appears in the root
  /endless/PATH         an answer without an end: FILE's bytes when PATH names one, then
                        blank-ish filler as fast as the client takes it, without a
                        Content-Length, until the client goes away
  /echo                 answers with the request's method, headers and body
Every request is logged to --log as one JSON line: method, path and header list.
Prints "PORT <n>" once it listens.
"""
import argparse
import http.server
import json
import os
import ssl
import sys
import threading
import time

args = None
log_lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *unused):
        pass

    def log_request_line(self):
        if not args.log:
            return
        with log_lock, open(args.log, "a", encoding="utf-8") as out:
            out.write(json.dumps({"method": self.command, "path": self.path,
                                  "headers": [[k, v] for k, v in self.headers.items()]}) + "\n")

    def do_HEAD(self):
        self.handle_any(send_body=False)

    def do_GET(self):
        self.handle_any(send_body=True)

    def do_POST(self):
        self.handle_any(send_body=True)

    do_PUT = do_POST
    do_PATCH = do_POST
    do_DELETE = do_POST

    def file_bytes(self, relative):
        path = os.path.join(args.root, relative.split("?", 1)[0].lstrip("/"))
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def answer(self, code, body, send_body, headers=(), length=True):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def not_found(self, send_body):
        page = b"<html><body><h1>Error 404 Not Found</h1></body></html>"
        self.answer(404, page, send_body, [("Content-Type", "text/html")])

    def handle_any(self, send_body):
        self.log_request_line()
        body_in = b""
        if "Content-Length" in self.headers:
            body_in = self.rfile.read(int(self.headers["Content-Length"]))
        parts = self.path.lstrip("/").split("/", 1)
        kind, rest = parts[0], (parts[1] if len(parts) > 1 else "")

        if kind == "status":
            code, _, _ = rest.partition("/")
            page = ("<html><body><h1>Error %s</h1></body></html>" % code).encode()
            self.answer(int(code), page, send_body, [("Content-Type", "text/html")])
        elif kind == "redirect":
            target = rest if rest.startswith("http") else "/" + rest
            self.answer(302, b"redirect body", send_body, [("Location", target)])
        elif kind == "echo":
            text = self.command + "\n" + "".join("%s: %s\n" % kv for kv in self.headers.items())
            self.answer(200, text.encode() + b"\n" + body_in, send_body)
        elif kind == "endless":
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            if not send_body:
                return
            filler = b"#" * 65535 + b"\n"
            try:
                self.wfile.write(self.file_bytes(rest) or b"")
                while True:
                    self.wfile.write(filler)
            except OSError:
                pass
        elif kind in ("nolength", "stall", "slow", "hold"):
            data = self.file_bytes(rest)
            if data is None:
                return self.not_found(send_body)
            if kind == "nolength":
                return self.answer(200, data, send_body, length=False)
            if kind == "hold":
                while not os.path.exists(os.path.join(args.root, "release")):
                    time.sleep(0.05)
                return self.answer(200, data, send_body)
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            if not send_body:
                return
            if kind == "stall":
                half = len(data) // 2
                self.wfile.write(data[:half])
                self.wfile.flush()
                time.sleep(args.stall)
                self.wfile.write(data[half:])
            else:
                for i in range(len(data)):
                    self.wfile.write(data[i:i + 1])
                    self.wfile.flush()
                    time.sleep(0.2)
        else:
            data = self.file_bytes(self.path)
            if data is None:
                return self.not_found(send_body)
            self.answer(200, data, send_body, [("Content-Type", "application/octet-stream")])


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that gave up is no news


def main():
    global args
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", default="")
    parser.add_argument("--cert", default="")
    parser.add_argument("--key", default="")
    parser.add_argument("--stall", type=float, default=20)
    args = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
