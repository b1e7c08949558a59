# What the scripted SFTP servers of the tests share: paramiko on 127.0.0.1, an
# ephemeral port, one user who logs in with a password. serve() prints "PORT n" and
# "FINGERPRINT SHA256:..." once it listens and ends the process when its standard input
# closes, so a server never outlives the test that started it.
import base64
import hashlib
import os
import socket
import sys
import threading

import paramiko


def attributes(name, mode, size=3):
    a = paramiko.SFTPAttributes()
    a.filename = name
    a.st_mode = mode | 0o755
    a.st_size = size
    a.st_mtime = 1_600_000_000
    a.st_atime = 1_600_000_000
    return a


class PasswordLogin(paramiko.ServerInterface):
    def __init__(self, user, password):
        self.user, self.password = user, password

    def get_allowed_auths(self, username):
        return "password"

    def check_auth_password(self, username, given):
        ok = (username, given) == (self.user, self.password)
        return paramiko.AUTH_SUCCESSFUL if ok else paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        return paramiko.OPEN_SUCCEEDED if kind == "session" else paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED


def serve(key_path, user, password, sftp_interface):
    host_key = paramiko.Ed25519Key(filename=key_path)

    def session(connection):
        transport = paramiko.Transport(connection)
        transport.add_server_key(host_key)
        transport.set_subsystem_handler("sftp", paramiko.SFTPServer, sftp_interface)
        transport.start_server(server=PasswordLogin(user, password))

    def watch_stdin():
        sys.stdin.read()
        os._exit(0)

    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    digest = hashlib.sha256(host_key.asbytes()).digest()
    print("PORT %d" % listener.getsockname()[1])
    print("FINGERPRINT SHA256:" + base64.b64encode(digest).decode().rstrip("="), flush=True)
    threading.Thread(target=watch_stdin, daemon=True).start()
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=session, args=(connection,), daemon=True).start()
