#!/usr/bin/python3
# An SFTP server whose tree has no end in sight, for the tests: paramiko on 127.0.0.1,
# an ephemeral port, one user. /tree holds FILES files and one subfolder, which holds the
# same again, DEPTH levels down; every name is NAME_LENGTH bytes long. Nothing is kept:
# each folder is made up when it is listed. With DELAY (seconds) every listing takes
# that long to start.
# Usage: deep_sftp_server.py HOST_KEY USER PASSWORD DEPTH NAME_LENGTH FILES EXTENSION [DELAY]
# Prints "PORT n" and "FINGERPRINT SHA256:..." once it listens; ends when its standard
# input closes, so it never outlives the test that started it.
import base64
import hashlib
import os
import socket
import stat
import sys
import threading
import time

import paramiko

key_path, user, password = sys.argv[1:4]
depth, name_length, files = (int(a) for a in sys.argv[4:7])
extension = sys.argv[7]
delay = float(sys.argv[8]) if len(sys.argv) > 8 else 0.0
host_key = paramiko.Ed25519Key(filename=key_path)
ROOT = "/tree"


def padded(prefix, length, suffix=""):
    return prefix + "n" * max(0, length - len(prefix) - len(suffix)) + suffix


def level_of(path):
    """How far below ROOT a folder of the tree is, or None when it is none of them."""
    if path == ROOT:
        return 0
    if not path.startswith(ROOT + "/"):
        return None
    parts = path[len(ROOT) + 1:].split("/")
    for level, part in enumerate(parts, start=1):
        if part != padded("d%02d" % level, name_length):
            return None
    return len(parts) if len(parts) <= depth else None


def attributes(name, mode, size=3):
    a = paramiko.SFTPAttributes()
    a.filename = name
    a.st_mode = mode | 0o755
    a.st_size = size
    a.st_mtime = 1_600_000_000
    a.st_atime = 1_600_000_000
    return a


class Sftp(paramiko.SFTPServerInterface):
    def canonicalize(self, path):
        return "/" + path.strip("/") if path not in (".", "") else "/"

    def list_folder(self, path):
        level = level_of(path)
        if level is None:
            return paramiko.SFTP_NO_SUCH_FILE
        if delay:
            time.sleep(delay)
        entries = [attributes(padded("f%05d" % i, name_length, "." + extension), stat.S_IFREG)
                   for i in range(files)]
        if level < depth:
            entries.append(attributes(padded("d%02d" % (level + 1), name_length), stat.S_IFDIR))
        return entries

    def stat(self, path):
        if level_of(path) is not None:
            return attributes(os.path.basename(path), stat.S_IFDIR)
        return paramiko.SFTP_NO_SUCH_FILE

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
    transport.start_server(server=Server())


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
