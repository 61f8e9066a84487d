#!/usr/bin/env python3
"""A page service on loopback that misbehaves, for trelka-batch's tests.

  hostile_server.py stall          reads each request and never answers it
  hostile_server.py status TEXT    answers each request with the status line TEXT, given
                                   with Python escapes (\\x1b, \\r, ...)

Prints its port, then "request" for each request it has read. Ends by itself after 60 s.
"""
import socket
import sys
import threading


def serve(conn, status):
    with conn:
        conn.settimeout(60)
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = conn.recv(4096)
            if not chunk:
                return
            request += chunk
        print("request", flush=True)
        if status is None:
            conn.recv(1)  # stalls until the client goes or the time is up
        else:
            conn.sendall(status + b"\r\nContent-Length: 0\r\n\r\n")


def main():
    mode = sys.argv[1]
    status = None
    if mode == "status":
        status = sys.argv[2].encode().decode("unicode_escape").encode("latin-1")
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen()
    listener.settimeout(60)
    print(listener.getsockname()[1], flush=True)
    while True:
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            return
        threading.Thread(target=serve, args=(conn, status), daemon=True).start()


main()
