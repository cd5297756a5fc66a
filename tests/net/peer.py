# Scripted peers for the socket tests: the misbehaviour real servers do not show on
# demand. Usage: peer.py MODE PORT READYFILE [ARG]
# The peer binds 127.0.0.1:PORT, then creates READYFILE.
import socket
import struct
import sys
import time

mode, port, ready = sys.argv[1], int(sys.argv[2]), sys.argv[3]
arg = sys.argv[4] if len(sys.argv) > 4 else ""


def serve_tcp():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", port))
    s.listen(5)
    open(ready, "w").close()
    c, _ = s.accept()
    return s, c


def reset(c):
    c.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    c.close()


if mode == "udp-echo":
    u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    u.bind(("127.0.0.1", port))
    open(ready, "w").close()
    while True:
        data, addr = u.recvfrom(65536)
        u.sendto(data.upper(), addr)

s, c = serve_tcp()
if mode == "close":
    c.close()
elif mode == "send-close":
    c.sendall(arg.encode("latin-1"))
    c.close()
elif mode == "reset-after":
    want = int(arg)
    got = 0
    while got < want:
        d = c.recv(min(65536, want - got))
        if not d:
            break
        got += len(d)
    reset(c)
elif mode == "send-reset":
    c.sendall(arg.encode("latin-1"))
    time.sleep(0.3)
    reset(c)
elif mode == "slow-reader":
    with open(arg, "wb") as out:
        while True:
            d = c.recv(16384)
            if not d:
                break
            out.write(d)
            time.sleep(0.002)
    c.close()
elif mode == "echo":
    while True:
        d = c.recv(65536)
        if not d:
            break
        c.sendall(d)
    c.close()
elif mode == "hold":
    # Accepts and never reads; ends when the test stops it.
    while True:
        time.sleep(1)
time.sleep(0.5)
