#!/usr/bin/python3
# An SFTP server that lies, for the tests: paramiko on 127.0.0.1, an ephemeral port, one
# user. Its folder /hostile lists names that would leave the folder and subfolders that
# resolve back to folders already listed; /escape resolves to a path that climbs out;
# /short.jpg answers every read with at most SHORT_ANSWER bytes, short of what was asked
# in the middle of the file as a server may.
# Usage: hostile_sftp_server.py HOST_KEY USER PASSWORD
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

key_path, user, password = sys.argv[1:4]
host_key = paramiko.Ed25519Key(filename=key_path)

FOLDERS = {
    "/hostile": [
        ("..", stat.S_IFDIR), ("../up.jpg", stat.S_IFREG), ("/etc/abs.jpg", stat.S_IFREG),
        ("a/b.jpg", stat.S_IFREG), ("ok.jpg", stat.S_IFREG), ("self", stat.S_IFDIR), ("deeper", stat.S_IFDIR),
    ],
    "/hostile/deeper": [("again", stat.S_IFDIR), ("deep.jpg", stat.S_IFREG)],
}
# Where a path resolves to: "self" and "deeper/again" are /hostile itself.
CANONICAL = {
    "/hostile/self": "/hostile",
    "/hostile/deeper/again": "/hostile",
    "/escape": "/escape/../../etc",
}
SHORT_FILE = "/short.jpg"
SHORT_ANSWER = 5000
SHORT_BYTES = bytes((i * 7 + i // 251) % 256 for i in range(150_000))


def attributes(name, mode):
    a = paramiko.SFTPAttributes()
    a.filename = name
    a.st_mode = mode | 0o755
    a.st_size = 3
    a.st_mtime = 1_600_000_000
    a.st_atime = 1_600_000_000
    return a


class ShortAnswers(paramiko.SFTPHandle):
    def read(self, offset, length):
        return SHORT_BYTES[offset:offset + min(length, SHORT_ANSWER)]

    def stat(self):
        a = attributes(SHORT_FILE[1:], stat.S_IFREG)
        a.st_size = len(SHORT_BYTES)
        return a


class Sftp(paramiko.SFTPServerInterface):
    def open(self, path, flags, attr):
        return ShortAnswers(flags) if path == SHORT_FILE else paramiko.SFTP_NO_SUCH_FILE

    def canonicalize(self, path):
        path = "/" + path.strip("/") if path not in (".", "") else "/"
        return CANONICAL.get(path, path)

    def list_folder(self, path):
        entries = FOLDERS.get(path)
        if entries is None:
            return paramiko.SFTP_NO_SUCH_FILE
        return [attributes(name, mode) for name, mode in entries]

    def stat(self, path):
        return attributes(os.path.basename(path), stat.S_IFDIR if path in FOLDERS else stat.S_IFREG)

    lstat = stat


class Server(paramiko.ServerInterface):
    def get_allowed_auths(self, username):
        return "password"

    def check_auth_password(self, username, given):
        return paramiko.AUTH_SUCCESSFUL if (username, given) == (user, password) else paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        return paramiko.OPEN_SUCCEEDED if kind == "session" else paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED

    def check_channel_subsystem_request(self, channel, name):
        return super().check_channel_subsystem_request(channel, name)


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
