#!/usr/bin/python3
# An FTP server on 127.0.0.1 that misbehaves in one way, for bench/ftp_hostile.
# Usage: ftp_hostile_server.py MODE [COUNT]; prints its port, serves until its standard
# input closes or LIFETIME seconds (env, default 240) have passed.
#   listing N      the folder lists N files (img0000001.jpg ...), then 226
#   endless-reply  the greeting is an endless multi-line reply ("220-" lines)
#   endless-150    LIST is answered with endless "150-" lines
#   trickle        the greeting comes one byte every 5 seconds
import os
import socket
import sys
import threading
import time

mode = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 0
deadline = time.monotonic() + float(os.environ.get("LIFETIME", "240"))


def alive():
    return time.monotonic() < deadline


def listing(data):
    line = "-rw-r--r--    1 owner    group       48213 Jan  1  2020 img%07d.jpg\r\n"
    block = []
    for i in range(1, count + 1):
        block.append(line % i)
        if len(block) == 4096:
            data.sendall("".join(block).encode())
            block = []
    data.sendall("".join(block).encode())


def serve(conn):
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    try:
        if mode == "endless-reply":
            chunk = b"220-welcome, and there is always more to say\r\n" * 100
            while alive():
                conn.sendall(chunk)
            return
        if mode == "trickle":
            for byte in b"220 one byte at a time, every five seconds\r\n":
                if not alive():
                    return
                conn.sendall(bytes([byte]))
                time.sleep(5)
            return
        conn.sendall(b"220 hostile\r\n")
        pending = b""
        data_listener = None
        while alive():
            while b"\r\n" not in pending:
                got = conn.recv(4096)
                if not got:
                    return
                pending += got
            line, pending = pending.split(b"\r\n", 1)
            verb = line.split(b" ")[0].upper()
            if verb == b"USER":
                conn.sendall(b"331 password\r\n")
            elif verb == b"PASS":
                conn.sendall(b"230 in\r\n")
            elif verb in (b"CWD", b"CDUP"):
                conn.sendall(b"250 ok\r\n")
            elif verb == b"PWD":
                conn.sendall(b'257 "/big" is current\r\n')
            elif verb == b"TYPE":
                conn.sendall(b"200 type\r\n")
            elif verb == b"PASV":
                data_listener = socket.socket()
                data_listener.bind(("127.0.0.1", 0))
                data_listener.listen(1)
                port = data_listener.getsockname()[1]
                conn.sendall(b"227 Entering Passive Mode (127,0,0,1,%d,%d)\r\n" % (port // 256, port % 256))
            elif verb == b"LIST":
                data, _ = data_listener.accept()
                if mode == "endless-150":
                    chunk = b"150-still opening the listing\r\n" * 100
                    while alive():
                        conn.sendall(chunk)
                    return
                conn.sendall(b"150 listing\r\n")
                listing(data)
                data.close()
                conn.sendall(b"226 done\r\n")
            elif verb == b"QUIT":
                conn.sendall(b"221 bye\r\n")
                return
            else:
                conn.sendall(b"502 no\r\n")
    except OSError:
        pass
    finally:
        conn.close()


listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
print(listener.getsockname()[1], flush=True)
threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
listener.settimeout(1)
while alive():
    try:
        conn, _ = listener.accept()
    except socket.timeout:
        continue
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
