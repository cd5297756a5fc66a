// Bulk transfer over loopback, for bench/socket/run.
//
//   bench_socket serve PORT BYTES     plain sender: accepts one connection, writes BYTES,
//                                     waits until the reader closes; prints the seconds
//   bench_socket sink PORT            plain reader: accepts one connection, reads to the
//                                     end; prints bytes and seconds
//   bench_socket receive PORT [BUF]   TWSocket reads from 127.0.0.1:PORT until closed
//   bench_socket send PORT BYTES      TWSocket writes BYTES, paced by OnDataSent
//   bench_socket serve-lines PORT BYTES   plain sender of 20-byte lines (CR LF ended)
//   bench_socket lines PORT           TWSocket in line mode takes each line whole
//
// The plain sides use blocking calls with 1 MiB buffers, so they are never the limit.
#include "net/WSocket.h"
#include "platform/Application.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace zuneigo;

namespace {

using Clock = std::chrono::steady_clock;

int ListenOn(int port)
{
    int l = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(l, 1) != 0) {
        std::perror("listen");
        std::exit(2);
    }
    std::printf("listening\n");
    std::fflush(stdout);
    return l;
}

constexpr int LineBytes = 20;

int Serve(int port, long long bytes, bool lines = false)
{
    int l = ListenOn(port);
    int c = ::accept(l, nullptr, nullptr);
    auto t0 = Clock::now();
    // Lines: a whole number of them per buffer, so they run on across the sends.
    std::vector<char> buf(lines ? (1 << 20) / LineBytes * LineBytes : 1 << 20, 'z');
    if (lines)
        for (std::size_t i = LineBytes; i <= buf.size(); i += LineBytes) {
            buf[i - 2] = '\r';
            buf[i - 1] = '\n';
        }
    long long left = bytes;
    while (left > 0) {
        ssize_t n = ::send(c, buf.data(), static_cast<size_t>(std::min<long long>(left, (long long)buf.size())), MSG_NOSIGNAL);
        if (n <= 0) {
            std::perror("send");
            return 1;
        }
        left -= n;
    }
    ::shutdown(c, SHUT_WR);
    while (::recv(c, buf.data(), buf.size(), 0) > 0) {
    }
    double s = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("bytes=%lld seconds=%.4f\n", bytes, s);
    ::close(c);
    ::close(l);
    return 0;
}

int Sink(int port)
{
    int l = ListenOn(port);
    int c = ::accept(l, nullptr, nullptr);
    auto t0 = Clock::now();
    std::vector<char> buf(1 << 20);
    long long total = 0;
    for (;;) {
        ssize_t n = ::recv(c, buf.data(), buf.size(), 0);
        if (n <= 0) break;
        total += n;
    }
    double s = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("bytes=%lld seconds=%.4f\n", total, s);
    ::close(c);
    ::close(l);
    return 0;
}

// Connects to the local peer, runs messages until the session closes, prints the figures.
int ConnectAndReport(TWSocket& s, int port, const bool& closed, const long long& bytes)
{
    s.SetAddr("127.0.0.1");
    s.SetPort(std::to_string(port));
    auto t0 = Clock::now();
    s.Connect();
    auto& app = platform::Application::Instance();
    while (!closed)
        app.HandleMessage();
    double sec = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("bytes=%lld seconds=%.4f\n", bytes, sec);
    return 0;
}

int Receive(int port, int bufferSize)
{
    TWSocket s;
    std::vector<char> buf(static_cast<std::size_t>(bufferSize));
    long long total = 0;
    bool closed = false;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        int n = sender->Receive(buf.data(), bufferSize);
        if (n > 0) total += n;
    };
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { closed = true; };
    return ConnectAndReport(s, port, closed, total);
}

int Lines(int port)
{
    TWSocket s;
    s.SetLineMode(true);
    std::vector<char> buf(1 << 16);
    long long total = 0, lines = 0, odd = 0;
    bool closed = false;
    s.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        int n = sender->Receive(buf.data(), static_cast<int>(buf.size()));
        if (n <= 0) return;
        total += n;
        ++lines;
        odd += n != LineBytes;
    };
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { closed = true; };
    int rc = ConnectAndReport(s, port, closed, total);
    if (odd != 0) {
        std::fprintf(stderr, "%lld of %lld lines were not %d bytes long\n", odd, lines, LineBytes);
        return 1;
    }
    return rc;
}

int Send(int port, long long bytes)
{
    TWSocket s;
    s.SetLingerOnOff(wsLingerOff);
    std::vector<char> block(1 << 20, 'z');
    long long handed = 0;
    bool closed = false, finished = false;
    auto next = [&](TCustomWSocket* sender) {
        long long len = std::min<long long>(bytes - handed, (long long)block.size());
        handed += len;
        sender->Send(block.data(), static_cast<int>(len));
    };
    s.OnSessionConnected = [&](TCustomWSocket* sender, std::uint16_t e) {
        if (e != 0) {
            std::fprintf(stderr, "connect failed: %u\n", e);
            std::exit(1);
        }
        next(sender);
    };
    s.OnDataSent = [&](TCustomWSocket* sender, std::uint16_t) {
        if (handed < bytes) {
            next(sender);
        } else if (!finished) {
            finished = true;
            sender->Shutdown(1);
        }
    };
    s.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { closed = true; };
    return ConnectAndReport(s, port, closed, handed);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_socket serve|serve-lines|sink|receive|lines|send PORT [BYTES|BUFFER]\n");
        return 2;
    }
    std::string mode = argv[1];
    int port = std::atoi(argv[2]);
    if (mode == "serve" && argc >= 4) return Serve(port, std::atoll(argv[3]));
    if (mode == "serve-lines" && argc >= 4) return Serve(port, std::atoll(argv[3]), true);
    if (mode == "lines") return Lines(port);
    if (mode == "sink") return Sink(port);
    if (mode == "receive") return Receive(port, argc >= 4 ? std::atoi(argv[3]) : 65536);
    if (mode == "send" && argc >= 4) return Send(port, std::atoll(argv[3]));
    std::fprintf(stderr, "bad arguments\n");
    return 2;
}
