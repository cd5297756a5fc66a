#include "tests/net/SocksTestPeers.h"

#include "tests/net/WSocketTestSupport.h"

#include <sstream>

namespace zuneigo::test {

namespace {

const char* kScriptedPeer = R"PY(
import socket, sys, time
port, log, steps = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(('127.0.0.1', port))
srv.listen(1)
c, _ = srv.accept()
c.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
def exact(n):
    b = b''
    while len(b) < n:
        r = c.recv(n - len(b))
        if not r:
            raise EOFError
        b += r
    return b
def upto_zero():
    b = b''
    while True:
        r = exact(1)
        b += r
        if r == b'\0':
            return b
def note(b):
    with open(log, 'a') as f:
        f.write(b.hex() + '\n')
try:
    for s in steps:
        if s == 'greet5':
            h = exact(2); note(h + exact(h[1]))
        elif s == 'auth':
            h = exact(2); u = exact(h[1]); p = exact(1); note(h + u + p + exact(p[0]))
        elif s == 'req5':
            h = exact(4)
            a = b''
            if h[3] == 3:
                n = exact(1); a = n + exact(n[0])
            elif h[3] == 1:
                a = exact(4)
            note(h + a + exact(2))
        elif s == 'req4':
            h = exact(8); b = h + upto_zero()
            if h[4:7] == b'\0\0\0' and h[7] != 0:
                b += upto_zero()
            note(b)
        elif s.startswith('send:'):
            c.sendall(bytes.fromhex(s[5:]))
        elif s == 'echo':
            while True:
                r = c.recv(65536)
                if not r:
                    break
                c.sendall(r)
        elif s.startswith('pause:'):
            time.sleep(int(s[6:]) / 1000)
        elif s == 'half-close':
            c.shutdown(socket.SHUT_WR)
        elif s == 'close':
            c.close()
            break
        elif s == 'wait':
            b = b''
            while True:
                try:
                    r = c.recv(65536)
                except ConnectionError:
                    break
                if not r:
                    break
                b += r
            note(b)
except (EOFError, ConnectionError):
    note(b'')
)PY";

RunningPeer Finish(RunningPeer peer)
{
    peer.ok = WaitForListener(peer.port, std::chrono::seconds(10));
    return peer;
}

} // namespace

std::string Hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

RunningPeer StartEchoPeer(const TempDir& dir)
{
    RunningPeer peer;
    peer.port = FreeTcpPort();
    peer.process = Process({FindProgram("socat"),
                            "TCP-LISTEN:" + std::to_string(peer.port) + ",bind=127.0.0.1,reuseaddr,fork", "PIPE"},
                           dir.File("echo.log"));
    return Finish(std::move(peer));
}

RunningPeer StartMicrosocks(const TempDir& dir, const std::string& user, const std::string& password)
{
    RunningPeer peer;
    peer.port = FreeTcpPort();
    std::vector<std::string> argv{FindProgram("microsocks"), "-i", "127.0.0.1", "-p", std::to_string(peer.port)};
    if (!user.empty()) {
        argv.insert(argv.end(), {"-u", user, "-P", password});
    }
    peer.process = Process(argv, dir.File("microsocks.log"));
    return Finish(std::move(peer));
}

RunningPeer StartDante(const TempDir& dir)
{
    RunningPeer peer;
    peer.port = FreeTcpPort();
    std::string me;
    RunCommand({"/usr/bin/id", "-un"}, &me);
    while (!me.empty() && (me.back() == '\n' || me.back() == '\r'))
        me.pop_back();
    std::ostringstream conf;
    conf << "logoutput: " << dir.File("danted.log") << "\n"
         << "internal: 127.0.0.1 port = " << peer.port << "\n"
         << "external: 127.0.0.1\n"
         << "socksmethod: none\n"
         << "clientmethod: none\n"
         << "user.privileged: " << me << "\n"
         << "user.unprivileged: " << me << "\n"
         << "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n}\n"
         << "socks pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  command: connect\n  protocol: tcp\n}\n";
    WriteFile(dir.File("danted.conf"), conf.str());
    peer.process = Process({FindProgram("danted"), "-f", dir.File("danted.conf"), "-p", dir.File("danted.pid"), "-N", "1"},
                           dir.File("danted.out"));
    return Finish(std::move(peer));
}

RunningPeer StartScriptedSocksPeer(const TempDir& dir, const std::vector<std::string>& steps)
{
    RunningPeer peer;
    peer.port = FreeTcpPort();
    std::vector<std::string> args{std::to_string(peer.port), dir.File("socks-peer.hex")};
    args.insert(args.end(), steps.begin(), steps.end());
    peer.process = StartPythonPeer(dir, "socks-peer", kScriptedPeer, args);
    return Finish(std::move(peer));
}

std::vector<std::string> ScriptedPeerLog(const TempDir& dir)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(dir.File("socks-peer.hex")));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

} // namespace zuneigo::test
