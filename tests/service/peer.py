"""Clients for the service tests that no ready-made program plays.

raw PORT HEX            sends the bytes, prints the answer's status line
half PORT               sends half a request head, then a byte every 0.2 s; prints the seconds until the server closes
resets PORT N           opens N connections and resets each at once
flood PORT USER:PW N PER   N threads submit PER ads each ("s<thread>-<n>" as T1); prints the 200s
stream PORT USER:PW FILE   submits ads one after another for ever; each T1 answered 200 goes to FILE
push PORT HEX [PAUSE]   sends the bytes, then garbage as fast as it can (or a byte each PAUSE
                        seconds); prints the status and the seconds from the answer to the end
                        of the connection
slow PORT USER:PW RATE  downloads the database reading RATE bytes a second (0: nothing for 3 s);
                        prints the body bytes received and the Content-Length
halfclose PORT USER:PW PATH [LOG]  sends a request for PATH and shuts down its sending side;
                        then reads the answer and prints its status, body bytes and
                        Content-Length, or (LOG given) reads nothing and prints the seconds
                        until LOG tells one more answer cut short
exhaust PORT PID N      opens N idle connections; prints how many were told 503, the service's
                        CPU seconds in the next second, and the status of a request sent on the
                        last connection once the others are closed
"""
import base64
import os
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


def status_of(answer):
    return answer.split(b" ", 2)[1].decode() if answer.startswith(b"HTTP/") else "-"


def read_all(s, size=65536, rate=0):
    """Reads until the end or an error (pacing to RATE bytes a second if given)."""
    answer = b""
    try:
        while True:
            data = s.recv(size)
            if not data:
                break
            answer += data
            if rate:
                time.sleep(len(data) / rate)
    except OSError:
        pass
    return answer


def body_and_length(answer):
    head, _, body = answer.partition(b"\r\n\r\n")
    length = [l.split(b":")[1].strip() for l in head.split(b"\r\n") if l.lower().startswith(b"content-length:")]
    return "%d %s" % (len(body), length[0].decode() if length else "-")


def push(port, head, pause):
    s = socket.create_connection(("127.0.0.1", port), timeout=15)
    s.sendall(head)
    garbage = b"x" * (1 if pause else 65536)

    def run():
        try:
            while True:
                s.send(garbage)
                time.sleep(pause)
        except OSError:
            pass

    pusher = threading.Thread(target=run, daemon=True)
    pusher.start()
    answer, answered = b"", None
    try:
        while True:
            data = s.recv(65536)
            if not data:
                break
            answer += data
            answered = answered or time.monotonic()
    except OSError:
        pass
    # The end of the answer may only be the service's half close: the connection has
    # ended once the garbage is refused.
    pusher.join(12)
    end = time.monotonic()
    print("%s %.2f" % (status_of(answer), end - (answered or end)))


def slow(port, auth, rate):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    s.settimeout(15)
    s.connect(("127.0.0.1", port))
    s.sendall(("GET /kelto/kelto.txt HTTP/1.0\r\nAuthorization: Basic %s\r\n\r\n" % base64.b64encode(
        auth.encode("latin-1")).decode()).encode())
    if rate == 0:
        time.sleep(3)
    print(body_and_length(read_all(s, max(rate // 10, 1) if rate else 65536, rate)))


def halfclose(port, auth, path, log):
    with socket.socket() as s:
        if log:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)  # the kernel holds little
        s.settimeout(15)
        s.connect(("127.0.0.1", port))
        s.sendall(("GET %s HTTP/1.0\r\nAuthorization: Basic %s\r\n\r\n" % (
            path, base64.b64encode(auth.encode("latin-1")).decode())).encode("latin-1"))
        s.shutdown(socket.SHUT_WR)
        if log:
            def cut():
                with open(log, "rb") as f:
                    return f.read().count(b" cut-short\n")
            start, before = time.monotonic(), cut()
            while time.monotonic() - start < 10 and cut() == before:
                time.sleep(0.05)
            print("%.2f" % (time.monotonic() - start))
            return
        answer = read_all(s)
    print(status_of(answer), body_and_length(answer))


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def exhaust(port, pid, n):
    conns = [socket.create_connection(("127.0.0.1", port), timeout=5) for _ in range(n)]
    time.sleep(0.5)
    busy = 0
    for c in conns:
        if select.select([c], [], [], 0)[0]:
            try:
                busy += c.recv(100).startswith(b"HTTP/1.0 503 Service Unavailable")
            except OSError:
                pass
    before = cpu_seconds(pid)
    time.sleep(1)
    cpu = cpu_seconds(pid) - before
    for c in conns[:-1]:
        c.close()
    status = first_line_status(conns[-1])
    if status == "503":
        # Accepted while the others' closes were still on their way, it was told busy
        # rightly; once they are gone a client that comes back is served.
        time.sleep(0.5)
        status = first_line_status(socket.create_connection(("127.0.0.1", port), timeout=5))
    print("busy=%d cpu=%.2f last=%s" % (busy, cpu, status))


def first_line_status(s):
    """Asks for the home page and returns the status of the answer's first line."""
    answer = b""
    try:
        s.sendall(b"GET / HTTP/1.0\r\n\r\n")
        while not answer.endswith(b"\n"):
            data = s.recv(1)
            if not data:
                break
            answer += data
    except OSError:
        pass
    s.close()
    return status_of(answer)


def extra():
    cmd, port = sys.argv[1], int(sys.argv[2])
    if cmd == "push":
        push(port, bytes.fromhex(sys.argv[3]), float(sys.argv[4]) if len(sys.argv) > 4 else 0)
    elif cmd == "slow":
        slow(port, sys.argv[3], int(sys.argv[4]))
    elif cmd == "halfclose":
        halfclose(port, sys.argv[3], sys.argv[4], sys.argv[5] if len(sys.argv) > 5 else "")
    elif cmd == "exhaust":
        exhaust(port, int(sys.argv[3]), int(sys.argv[4]))
    else:
        main()


extra()
