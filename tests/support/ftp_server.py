#!/usr/bin/python3
# A real FTP server for the tests: pyftpdlib on 127.0.0.1, an ephemeral port, one user.
# Usage: ftp_server.py ROOT USER PASSWORD [BYTES_PER_SECOND] [--log FILE]
#                      [--max-per-ip N] [--reply-delay-ms MS] [--port N] [--idle-timeout S]
# With BYTES_PER_SECOND, downloads are slowed to about that rate (the first second's
# worth of each file goes at once). --log appends "RETR <path>" for every file asked
# for and "STOR <path>" for every file sent; --max-per-ip refuses connections past N from one address; --reply-delay-ms waits
# that long before every reply, on a thread per connection, like a server far away.
# --port listens there (to start a server again where the last one was); --idle-timeout
# ends a control connection that sent no command for that many seconds with a 421, as
# servers do.
# Prints the port once it listens; ends when its standard input closes, so it never
# outlives the test that started it.
import argparse
import logging
import os
import socket
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer, ThreadedFTPServer

parser = argparse.ArgumentParser()
parser.add_argument("root")
parser.add_argument("user")
parser.add_argument("password")
parser.add_argument("rate", nargs="?", type=int)
parser.add_argument("--log")
parser.add_argument("--max-per-ip", type=int, default=0)
parser.add_argument("--reply-delay-ms", type=int, default=0)
parser.add_argument("--log-logins", action="store_true")
parser.add_argument("--port", type=int, default=0)
parser.add_argument("--idle-timeout", type=int, default=0)
args = parser.parse_args()

logging.getLogger("pyftpdlib").setLevel(logging.ERROR)
logging.basicConfig(level=logging.ERROR)

log_fd = os.open(args.log, os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o644) if args.log else None
delay = args.reply_delay_ms / 1000.0


# Control connections and when each last sent a command, for --idle-timeout.
open_handlers = {}
handlers_lock = threading.Lock()


class Handler(FTPHandler):
    def handle(self):
        with handlers_lock:
            open_handlers[self] = time.monotonic()
        return super().handle()

    def found_terminator(self):
        with handlers_lock:
            if self in open_handlers:
                open_handlers[self] = time.monotonic()
        return super().found_terminator()

    def close(self):
        with handlers_lock:
            open_handlers.pop(self, None)
        return super().close()

    def respond(self, resp, logfun=None):
        if delay:
            time.sleep(delay)
        if logfun is None:
            return super().respond(resp)
        return super().respond(resp, logfun)

    def on_login(self, username):
        if log_fd is not None and args.log_logins:
            os.write(log_fd, ("LOGIN " + username + "\n").encode("utf-8", "surrogateescape"))

    def ftp_RETR(self, file):
        if log_fd is not None:
            os.write(log_fd, ("RETR " + os.path.relpath(file, self.authorizer.get_home_dir(self.username)) +
                              "\n").encode("utf-8", "surrogateescape"))
        return super().ftp_RETR(file)

    def ftp_STOR(self, file, mode="w"):
        if log_fd is not None:
            os.write(log_fd, ("STOR " + os.path.relpath(file, self.authorizer.get_home_dir(self.username)) +
                              "\n").encode("utf-8", "surrogateescape"))
        return super().ftp_STOR(file, mode)


authorizer = DummyAuthorizer()
authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
Handler.authorizer = authorizer
Handler.banner = "tesselon test server ready"
Handler.auth_failed_timeout = 0
if args.rate:
    throttled = ThrottledDTPHandler
    throttled.write_limit = args.rate
    Handler.dtp_handler = throttled

server_class = ThreadedFTPServer if delay else FTPServer
server = server_class(("127.0.0.1", args.port), Handler)
server.max_cons_per_ip = args.max_per_ip
print(server.address[1], flush=True)


def watch_stdin():
    sys.stdin.read()
    os._exit(0)


threading.Thread(target=watch_stdin, daemon=True).start()


# pyftpdlib's own idle timer is left off: the session is ended from here, with the 421
# a server sends, while no transfer runs on it.
def end_idle_sessions():
    while True:
        time.sleep(0.1)
        now = time.monotonic()
        with handlers_lock:
            idle = [h for h, last in open_handlers.items()
                    if now - last > args.idle_timeout and h.data_channel is None]
            for h in idle:
                del open_handlers[h]
        for h in idle:
            try:
                h.socket.send(b"421 Control connection timed out.\r\n")
                h.socket.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


if args.idle_timeout:
    threading.Thread(target=end_idle_sessions, daemon=True).start()
server.serve_forever()
