// deploy/nginx.conf with real nginx in front of zuneigo-service: the database comes out
// whole under the same credentials while ads are being appended, submissions reach the
// service.
#include "app/core/ServiceSettings.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (auto p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
        text.replace(p, from.size(), to);
    return text;
}

std::string Base64(const std::string& text)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(text[i]) << 16;
        if (i + 1 < text.size()) v |= static_cast<unsigned char>(text[i + 1]) << 8;
        if (i + 2 < text.size()) v |= static_cast<unsigned char>(text[i + 2]);
        const std::size_t chars = std::min<std::size_t>(3, text.size() - i) + 1;
        for (std::size_t k = 0; k < 4; ++k)
            out += k < chars ? alphabet[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + part.size()))
        ++n;
    return n;
}

struct Reply {
    int status = 0;
    long long contentLength = -1;
    std::string body;
};

// One request on its own connection, read to the close; status 0 when no answer came.
Reply Exchange(int port, const std::string& request)
{
    Reply reply;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval tv{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[65536];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    const auto end = answer.find("\r\n\r\n");
    if (!answer.starts_with("HTTP/1.") || end == std::string::npos) return reply;
    reply.status = std::atoi(answer.c_str() + 9);
    std::string head = answer.substr(0, end);
    for (char& c : head)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (const auto p = head.find("\r\ncontent-length:"); p != std::string::npos)
        reply.contentLength = std::atoll(head.c_str() + p + 17);
    reply.body = answer.substr(end + 4);
    return reply;
}

std::string Submission(const std::string& name, const std::string& text)
{
    return "/kelto/addkelto.cgi?T1=" + name + "&T2=0&T3=1&T4=33&T5=170&T6=60&T7=0&T8=rot&T9=gr%FCn&T10=Kino&T11=" +
        text + "&T12=x%40example%2Eorg&T13=50&T14=60";
}

// The service with a small demo database, and nginx in front of it with deploy/nginx.conf.
class Deploy : public ::testing::Test {
protected:
    void SetUp() override
    {
        servicePort_ = FreeTcpPort();
        service_ = Process({BinDir() + "/zuneigo-service", "--port", std::to_string(servicePort_), "--data",
                            d_ + "/kelto.txt", "--demo", "30"},
                           d_ + "/service.log");
        ASSERT_TRUE(WaitForTcpPort(servicePort_));
        StartNginx();
    }

    void StartNginx()
    {
        port_ = FreeTcpPort();
        RunCommand({"mkdir", "-p", d_ + "/run/tmp"});
        RunCommand({"chmod", "755", d_}); // nginx's workers may run as another user
        RunCommand({"htpasswd", "-cbm", d_ + "/htpasswd", ServiceUsername, ServicePassword()});
        std::string conf = ReadFile(SourceDir() + "/deploy/nginx.conf");
        conf = Replace(conf, "@LISTEN@", "127.0.0.1:" + std::to_string(port_));
        conf = Replace(conf, "@SERVICE@", "127.0.0.1:" + std::to_string(servicePort_));
        conf = Replace(conf, "@HTPASSWD@", d_ + "/htpasswd");
        conf = Replace(conf, "@RUN_DIR@", d_ + "/run");
        ASSERT_EQ(conf.find('@'), std::string::npos);
        WriteFile(d_ + "/nginx.conf", conf);
        nginx_ = Process({FindProgram("nginx"), "-c", d_ + "/nginx.conf", "-p", d_, "-g", "daemon off;"},
                         d_ + "/nginx.log");
        ASSERT_TRUE(WaitForTcpPort(port_));
    }

    std::string Get(const std::string& target) const
    {
        return "GET " + target + " HTTP/1.0\r\nAuthorization: Basic " + Base64(auth_) + "\r\n\r\n";
    }

    TempDir dir_;
    const std::string d_ = dir_.Path();
    const std::string auth_ = std::string(ServiceUsername) + ":" + ServicePassword();
    int servicePort_ = 0;
    int port_ = 0;
    Process service_;
    Process nginx_;
};

} // namespace

TEST_F(Deploy, NginxServesTheDatabaseAndPassesSubmissionsToTheService)
{
    const std::string base = "http://127.0.0.1:" + std::to_string(port_);
    const std::string fetch = BinDir() + "/zuneigo-fetch";
    const std::string query = Submission("Nginx", "Hallo");
    struct Case {
        std::vector<std::string> args;
        int exit;
    };
    // The refused downloads come while nginx keeps a copy of the database.
    const Case cases[] = {
        {{"-u", auth_, "-o", d_ + "/reply", base + query}, 0},
        {{"-u", auth_, "-o", d_ + "/got", base + "/kelto/kelto.txt"}, 0},
        {{"-o", d_ + "/denied", base + "/kelto/kelto.txt"}, 1},
        {{"-u", "nomen:wrong", "-o", d_ + "/denied", base + "/kelto/kelto.txt"}, 1},
        {{"-o", d_ + "/denied", base + query}, 1},
        {{"-u", auth_, "-o", d_ + "/denied", base + "/kelto/service.log"}, 1},
        {{"-o", d_ + "/home", base + "/"}, 0}};
    for (const Case& c : cases) {
        std::vector<std::string> argv = {fetch};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(RunCommand(argv), c.exit) << c.args.back();
    }
    const std::string file = ReadFile(d_ + "/kelto.txt");
    EXPECT_EQ(ReadFile(d_ + "/got"), file);
    EXPECT_TRUE(file.ends_with("Nginx\r\n0\r\n1\r\n33\r\n170\r\n60\r\n0\r\nrot\r\ngr\xFCn\r\nKino\r\nHallo\r\n"
                               "x@example.org\r\n50\r\n60\r\n"));
    EXPECT_NE(ReadFile(d_ + "/home").find("Zuneigo"), std::string::npos);
}

TEST_F(Deploy, EveryDownloadEndsAfterAWholeRecordWhileAdsAreAppended)
{
    // Long ads: each append spans pages, so the file grows in steps while it is written.
    std::atomic<bool> stop = false;
    std::atomic<int> stored = 0;
    std::thread submitter([&] {
        const std::string request = Get(Submission("Lang", std::string(7000, 'x')));
        while (!stop)
            if (Exchange(port_, request).status == 200) ++stored;
    });
    const std::string get = Get("/kelto/kelto.txt");
    int downloads = 0;
    int torn = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (std::chrono::steady_clock::now() < until && torn < 3) {
        const Reply r = Exchange(port_, get);
        ++downloads;
        const std::size_t lines = Count(r.body, "\r\n");
        // The file only grows, so every whole download is a beginning of it.
        const bool whole = r.status == 200 && r.contentLength == static_cast<long long>(r.body.size()) &&
            r.body.ends_with("\r\n") && lines % 14 == 0 && ReadFile(d_ + "/kelto.txt").starts_with(r.body);
        if (!whole) {
            ++torn;
            ADD_FAILURE() << "download " << downloads << ": status " << r.status << ", Content-Length "
                          << r.contentLength << ", " << r.body.size() << " bytes, " << lines << " lines";
        }
    }
    stop = true;
    submitter.join();
    EXPECT_GT(stored, 0);
    EXPECT_GT(downloads, 100);
    // nginx hands out its copy: the service itself produced about one download a second.
    EXPECT_LE(Count(ReadFile(d_ + "/service.log"), "\"GET /kelto/kelto.txt\" 200"), 8u) << downloads << " downloads";
    // A download after a second holds the ads stored before it.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    EXPECT_EQ(Exchange(port_, get).body, ReadFile(d_ + "/kelto.txt"));
}

TEST_F(Deploy, ALongSubmissionLineReachesTheService)
{
    // Just under 64 KiB on the request line: nginx hands it on and the service answers it.
    const std::string target = Submission("Lang", std::string(65536 - 300, 'y'));
    const std::string request = Get(target);
    ASSERT_LT(request.find("\r\n"), 65536u);
    ASSERT_GT(request.find("\r\n"), 65000u);
    // The service logs one line per answer (refusals too), possibly a moment after it.
    const auto answered = [&](std::size_t expected) {
        std::size_t n = 0;
        for (int i = 0; i < 50 && (n = Count(ReadFile(d_ + "/service.log"), "\n127.0.0.1 \"")) < expected; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return n;
    };
    const std::size_t before = answered(0);
    const int direct = Exchange(servicePort_, request).status;
    EXPECT_NE(direct, 0);
    EXPECT_EQ(Exchange(port_, request).status, direct);
    EXPECT_EQ(answered(before + 2), before + 2);
}

// In place of the service, a peer whose first database answer breaks off halfway; later ones are whole.
class DeployBeforeBreakingPeer : public Deploy {
protected:
    void SetUp() override
    {
        servicePort_ = FreeTcpPort();
        service_ = Process({Python(), "-c", R"(
import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1])))
s.listen(16)
body, answered = b"a\r\n" * 28, 0
while True:
    c, _ = s.accept()
    head = b""
    while b"\r\n\r\n" not in head and (data := c.recv(4096)):
        head += data
    if b"\r\n\r\n" in head:
        c.sendall(b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body) + (body[:41] if answered == 0 else body))
        answered += 1
    c.close()
)",
                            std::to_string(servicePort_)});
        ASSERT_TRUE(WaitForTcpPort(servicePort_));
        StartNginx();
    }
};

TEST_F(DeployBeforeBreakingPeer, AnAnswerBrokenOffIsNeverKept)
{
    const Reply broken = Exchange(port_, Get("/kelto/kelto.txt"));
    EXPECT_EQ(broken.contentLength, 84);
    EXPECT_EQ(broken.body.size(), 41u);
    const Reply next = Exchange(port_, Get("/kelto/kelto.txt"));
    EXPECT_EQ(next.status, 200);
    EXPECT_EQ(Count(next.body, "a\r\n"), 28u);
    EXPECT_EQ(next.body.size(), 84u);
}
