#!/usr/bin/python3
"""A scripted HTTP peer for the client's tests.

peer.py PORT SCRIPT CAPTURE_DIR

SCRIPT has one line per step: "CONNECTION KIND ARGUMENT", the argument in hexadecimal.
The steps of the highest connection number repeat for later connections. Kinds:
  recv       read the request: up to the empty line, the body that Content-Length
             announces, and whatever follows within 0.1 s; stored as CAPTURE_DIR/conn-N.bin
  send       send the argument's bytes
  sleep      wait the argument's seconds
  wait_file  wait until the file the argument names exists (the test's signal)
  hold       wait until the client closes
  reset      end the connection with a reset instead of a close
The connection is closed after the last step.
"""
import os
import socket
import struct
import sys
import time


def read_request(conn):
    data = b""
    conn.settimeout(10)
    while b"\r\n\r\n" not in data and b"\n\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return data
        data += chunk
    length = 0
    for line in data.split(b"\r\n\r\n", 1)[0].lower().split(b"\r\n"):
        if line.startswith(b"content-length:"):
            try:
                length = int(line.split(b":", 1)[1].strip())
            except ValueError:
                pass
    end = data.find(b"\r\n\r\n") + 4
    while len(data) - end < length:
        chunk = conn.recv(65536)
        if not chunk:
            return data
        data += chunk
    conn.settimeout(0.1)
    try:
        while True:
            chunk = conn.recv(65536)
            if not chunk:
                break
            data += chunk
    except socket.timeout:
        pass
    return data


def serve(conn, steps, capture_dir, number):
    for kind, arg in steps:
        if kind == "recv":
            with open(os.path.join(capture_dir, "conn-%d.bin" % number), "wb") as f:
                f.write(read_request(conn))
        elif kind == "send":
            conn.sendall(arg)
        elif kind == "sleep":
            time.sleep(float(arg.decode()))
        elif kind == "wait_file":
            deadline = time.time() + 30
            while not os.path.exists(arg.decode("latin-1")) and time.time() < deadline:
                time.sleep(0.02)
        elif kind == "reset":
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            conn.close()
            return
        elif kind == "hold":
            conn.settimeout(30)
            try:
                while conn.recv(65536):
                    pass
            except OSError:
                pass


def main():
    port = int(sys.argv[1])
    script = []
    with open(sys.argv[2], "r", encoding="ascii") as f:
        for line in f:
            number, kind, arg = (line.rstrip("\n").split(" ") + [""])[:3]
            while len(script) <= int(number):
                script.append([])
            script[int(number)].append((kind, bytes.fromhex(arg)))
    capture_dir = sys.argv[3]
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(8)
    # Readiness is told by a file: a probing connection would count as the first one.
    with open(os.path.join(capture_dir, "ready"), "w") as f:
        f.write("ready")
    number = 0
    while True:
        conn, _ = server.accept()
        try:
            serve(conn, script[min(number, len(script) - 1)], capture_dir, number)
        except OSError:
            pass
        finally:
            try:
                conn.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            conn.close()
        number += 1


if __name__ == "__main__":
    main()
