#!/usr/bin/python3
# A real FTP server for the tests: pyftpdlib on 127.0.0.1, an ephemeral port, one user.
# Usage: ftp_server.py ROOT USER PASSWORD [BYTES_PER_SECOND]
# With BYTES_PER_SECOND, downloads are slowed to about that rate (the first second's
# worth of each file goes at once).
# Prints the port once it listens; ends when its standard input closes, so it never
# outlives the test that started it.
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

root, user, password = sys.argv[1:4]
logging.getLogger("pyftpdlib").setLevel(logging.ERROR)
logging.basicConfig(level=logging.ERROR)

authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")
handler = FTPHandler
handler.authorizer = authorizer
handler.banner = "tesselon test server ready"
handler.auth_failed_timeout = 0
if len(sys.argv) > 4:
    throttled = ThrottledDTPHandler
    throttled.write_limit = int(sys.argv[4])
    handler.dtp_handler = throttled

server = FTPServer(("127.0.0.1", 0), handler)
print(server.address[1], flush=True)


def watch_stdin():
    sys.stdin.read()
    os._exit(0)


threading.Thread(target=watch_stdin, daemon=True).start()
server.serve_forever()
