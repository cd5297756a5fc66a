"""Clients for the service tests that no ready-made program plays.

raw PORT HEX            sends the bytes, prints the answer's status line
half PORT               sends half a request head, then a byte every 0.2 s; prints the seconds until the server closes
resets PORT N           opens N connections and resets each at once
flood PORT USER:PW N PER   N threads submit PER ads each ("s<thread>-<n>" as T1); prints the 200s
stream PORT USER:PW FILE   submits ads one after another for ever; each T1 answered 200 goes to FILE
"""
import base64
import select
import socket
import struct
import sys
import threading
import time


def request(port, auth, name):
    query = "T1=%s&" % name + "&".join("T%d=v%d+%%E4" % (k, k) for k in range(2, 15))
    head = "GET /kelto/addkelto.cgi?%s HTTP/1.0\r\nAuthorization: Basic %s\r\n\r\n" % (
        query, base64.b64encode(auth.encode("latin-1")).decode())
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        s.sendall(head.encode())
        answer = b""
        while True:
            data = s.recv(65536)
            if not data:
                break
            answer += data
    return answer.split(b" ", 2)[1] if answer.startswith(b"HTTP/") else b""


def main():
    cmd, port = sys.argv[1], int(sys.argv[2])
    if cmd == "raw":
        with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
            s.sendall(bytes.fromhex(sys.argv[3]))
            answer = b""
            while not answer.endswith(b"\n"):
                data = s.recv(1)
                if not data:
                    break
                answer += data
        print(answer.decode("latin-1").strip())
    elif cmd == "half":
        with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
            s.sendall(b"GET /kelto/kelto.txt HTTP/1.0\r\nHost: x")
            start = time.monotonic()
            while time.monotonic() - start < 10 and not select.select([s], [], [], 0.2)[0]:
                s.sendall(b"x")  # never idle for long: only a deadline for the whole head ends it
            print("%.2f" % (time.monotonic() - start))
    elif cmd == "resets":
        for _ in range(int(sys.argv[3])):
            s = socket.create_connection(("127.0.0.1", port))
            s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            s.close()
    elif cmd == "flood":
        auth, threads, per = sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
        ok = [0] * threads

        def run(t):
            for n in range(per):
                ok[t] += request(port, auth, "s%d-%d" % (t, n)) == b"200"

        workers = [threading.Thread(target=run, args=(t,)) for t in range(threads)]
        for w in workers:
            w.start()
        for w in workers:
            w.join()
        print(sum(ok))
    elif cmd == "stream":
        auth, path = sys.argv[3], sys.argv[4]
        with open(path, "a") as answered:
            n = 0
            while True:
                try:
                    if request(port, auth, "k%d" % n) == b"200":
                        answered.write("k%d\n" % n)
                        answered.flush()
                except OSError:
                    time.sleep(0.01)
                n += 1


main()
