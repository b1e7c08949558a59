#!/usr/bin/python3
# An SFTP server whose tree has no end in sight, for the tests (paramiko_test_server.py).
# /tree holds FILES files and one subfolder, which holds the same again, DEPTH levels
# down; every name is NAME_LENGTH bytes long. Nothing is kept: each folder is made up
# when it is listed. With DELAY (seconds) every listing takes that long to start.
# Usage: deep_sftp_server.py HOST_KEY USER PASSWORD DEPTH NAME_LENGTH FILES EXTENSION [DELAY]
import os
import stat
import sys
import time

import paramiko

from paramiko_test_server import attributes, serve

key_path, user, password = sys.argv[1:4]
depth, name_length, files = (int(a) for a in sys.argv[4:7])
extension = sys.argv[7]
delay = float(sys.argv[8]) if len(sys.argv) > 8 else 0.0
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


serve(key_path, user, password, Sftp)
