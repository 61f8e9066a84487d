#!/usr/bin/env python3
"""A page service on loopback that misbehaves, for trelka-batch's tests.

  hostile_server.py stall          reads each request and never answers it
  hostile_server.py status TEXT    answers each request with the status line TEXT, given
                                   with Python escapes (\\x1b, \\r, ...)
  hostile_server.py pages ROOT K HOW
                                   answers /cache.php?cid=N with ROOT/N.html (404 when there
                                   is none), but fails the first K requests for each id by
                                   HOW: close (closed before any answer), reset (cut by a TCP
                                   reset) or 503 (a 503 status)

Listens on the port in HOSTILE_PORT, or on a free one. Prints its port, then "request" and
the id for each request it has read. Ends by itself after 60 s without a connection.
"""
import os
import re
import socket
import struct
import sys
import threading

tries = {}
tries_lock = threading.Lock()


def read_request(conn):
    request = b""
    while b"\r\n\r\n" not in request:
        chunk = conn.recv(4096)
        if not chunk:
            return None
        request += chunk
    return request


def answer_page(conn, cid, root, fail_first, how):
    with tries_lock:
        tries[cid] = tries.get(cid, 0) + 1
        failing = tries[cid] <= fail_first
    if failing and how == "close":
        return
    if failing and how == "reset":
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        return
    if failing:
        conn.sendall(b"HTTP/1.0 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n")
        return
    path = os.path.join(root, cid + ".html")
    if "/" in cid or not os.path.isfile(path):
        conn.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")
        return
    with open(path, "rb") as f:
        body = f.read()
    conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body) + body)


def serve(conn, args):
    with conn:
        conn.settimeout(60)
        request = read_request(conn)
        if request is None:
            return
        match = re.match(rb"GET /cache\.php\?cid=(\S*) HTTP", request)
        cid = match.group(1).decode("latin-1") if match else ""
        with tries_lock:  # one whole line at a time from the serving threads
            print("request", cid, flush=True)
        if args[0] == "stall":
            conn.recv(1)  # stalls until the client goes or the time is up
        elif args[0] == "status":
            status = args[1].encode().decode("unicode_escape").encode("latin-1")
            conn.sendall(status + b"\r\nContent-Length: 0\r\n\r\n")
        else:
            answer_page(conn, cid, args[1], int(args[2]), args[3])


def main():
    listener = socket.socket()
    # A port given again while connections of the last server on it linger.
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", int(os.environ.get("HOSTILE_PORT", "0"))))
    listener.listen(64)
    listener.settimeout(60)
    print(listener.getsockname()[1], flush=True)
    while True:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            return
        threading.Thread(target=serve, args=(conn, sys.argv[1:]), daemon=True).start()


main()
