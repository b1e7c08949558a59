#!/usr/bin/python3
# An SFTP server whose entries are no plain files, for the tests: paramiko on 127.0.0.1,
# an ephemeral port, one user. Its folder /odd lists plain.jpg, a regular file, beside
# a link, a character and a block device, a FIFO and a socket, all named *.jpg and each
# answering reads with the image IMAGE as a careless server would; /endless lists
# endless.jpg with no size and answers every read in full, without end. Every open is
# logged to LOG as "OPEN <path>".
# Usage: odd_files_sftp_server.py HOST_KEY USER PASSWORD IMAGE LOG
# Prints "PORT n" and "FINGERPRINT SHA256:..." once it listens; ends when its standard
# input closes, so it never outlives the test that started it.
import base64
import hashlib
import os
import socket
import stat
import sys
import threading

import paramiko

key_path, user, password, image_path, log_path = sys.argv[1:6]
host_key = paramiko.Ed25519Key(filename=key_path)
with open(image_path, "rb") as f:
    IMAGE = f.read()

ODD = {
    "plain.jpg": stat.S_IFREG,
    "link.jpg": stat.S_IFLNK,
    "chr.jpg": stat.S_IFCHR,
    "blk.jpg": stat.S_IFBLK,
    "fifo.jpg": stat.S_IFIFO,
    "sock.jpg": stat.S_IFSOCK,
}
ENDLESS = "/endless/endless.jpg"
log_lock = threading.Lock()


def log(line):
    with log_lock, open(log_path, "a") as f:
        f.write(line + "\n")


def attributes(name, mode, size):
    a = paramiko.SFTPAttributes()
    a.filename = name
    a.st_mode = mode | 0o644
    a.st_size = size  # None: the listing gives no size
    a.st_mtime = 1_600_000_000
    a.st_atime = 1_600_000_000
    return a


class ImageHandle(paramiko.SFTPHandle):
    def read(self, offset, length):
        return IMAGE[offset:offset + length]

    def stat(self):
        return attributes("", stat.S_IFREG, len(IMAGE))


class EndlessHandle(paramiko.SFTPHandle):
    def read(self, offset, length):
        return b"\xff" * length


class Sftp(paramiko.SFTPServerInterface):
    def open(self, path, flags, attr):
        log("OPEN " + path)
        if path == ENDLESS:
            return EndlessHandle(flags)
        if os.path.dirname(path) == "/odd" and os.path.basename(path) in ODD:
            return ImageHandle(flags)
        return paramiko.SFTP_NO_SUCH_FILE

    def canonicalize(self, path):
        return "/" + path.strip("/") if path not in (".", "") else "/"

    def list_folder(self, path):
        if path == "/odd":
            return [attributes(name, mode, len(IMAGE)) for name, mode in ODD.items()]
        if path == "/endless":
            return [attributes(os.path.basename(ENDLESS), stat.S_IFREG, None)]
        return paramiko.SFTP_NO_SUCH_FILE

    def stat(self, path):
        if path in ("/", "/odd", "/endless"):
            return attributes(os.path.basename(path), stat.S_IFDIR, 0)
        name = os.path.basename(path)
        if path == ENDLESS:
            return attributes(name, stat.S_IFREG, None)
        return attributes(name, ODD.get(name, stat.S_IFREG), len(IMAGE))

    lstat = stat


class Server(paramiko.ServerInterface):
    def get_allowed_auths(self, username):
        return "password"

    def check_auth_password(self, username, given):
        return paramiko.AUTH_SUCCESSFUL if (username, given) == (user, password) else paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        return paramiko.OPEN_SUCCEEDED if kind == "session" else paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED


def serve(connection):
    transport = paramiko.Transport(connection)
    transport.add_server_key(host_key)
    transport.set_subsystem_handler("sftp", paramiko.SFTPServer, Sftp)
    try:
        transport.start_server(server=Server())
    except (paramiko.SSHException, EOFError):
        pass  # a client that left before logging in, as one does that first asks about the key


listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
digest = hashlib.sha256(host_key.asbytes()).digest()
print("PORT %d" % listener.getsockname()[1])
print("FINGERPRINT SHA256:" + base64.b64encode(digest).decode().rstrip("="), flush=True)


def watch_stdin():
    sys.stdin.read()
    os._exit(0)


threading.Thread(target=watch_stdin, daemon=True).start()
while True:
    connection, _ = listener.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
