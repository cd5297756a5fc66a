// zuneigo-service against clients that push, trickle, hoard descriptors or bend the
// protocol: each gets its answer and no more of the service than the rules allow.
#include "tests/service/ServiceFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// The "exhaust" peer's report: answers of 503, the service's CPU seconds, the last status.
void ExpectCalmAndServing(const std::string& out, bool toldBusy)
{
    int busy = -1;
    double cpu = 99;
    char last[16] = "";
    ASSERT_EQ(std::sscanf(out.c_str(), "busy=%d cpu=%lf last=%15s", &busy, &cpu, last), 3) << out;
    if (toldBusy) {
        EXPECT_GT(busy, 0) << out;
    }
    EXPECT_LT(cpu, 0.2) << out;
    EXPECT_STREQ(last, "200") << out;
}

} // namespace

TEST(ServiceHostileClients, WhatFollowsTheHeadNeverKeepsTheConnection)
{
    Service s({"--timeout", "1"});
    struct Case {
        std::string head;
        std::string pause; // between garbage bytes; 0: as fast as the socket takes them
        std::string status;
    };
    const Case cases[] = {
        {"GET / HTTP/1.0\r\n\r\nJUNK", "0.2", "200"},
        {"POST / HTTP/1.0\r\nContent-Length: 9\r\n\r\nbody", "0", "405"},
        {"BAD\r\n", "0.2", "400"},
        {"BAD\r\n", "0", "400"},
    };
    for (const Case& c : cases) {
        std::istringstream out(s.Peer({"push", Hex(c.head), c.pause}));
        std::string status;
        double seconds = 99;
        out >> status >> seconds;
        EXPECT_EQ(status, c.status) << c.head;
        EXPECT_LT(seconds, 3.0) << c.head; // one timeout after the answer at most
    }
}

TEST(ServiceHostileClients, ASlowSteadyReaderGetsTheWholeFileAndAStalledOneIsCutAndLogged)
{
    // More than the kernel holds, taken at 1 MB/s: less per timeout than the kernel wants
    // free before it asks for more.
    Service big({"--demo", "40000", "--timeout", "0.6"});
    const std::uint64_t bigSize = ReadFile(big.file).size();
    const std::string size = std::to_string(bigSize);
    EXPECT_EQ(big.Peer({"slow", Auth, "1000000"}), size + " " + size);
    EXPECT_NE(big.Log().find("\"GET /kelto/kelto.txt\" 200 " + size + "\n"), std::string::npos) << big.Log();
    // A reader that takes nothing.
    std::istringstream out(big.Peer({"slow", Auth, "0"}));
    std::uint64_t got = 0;
    out >> got;
    EXPECT_LT(got, bigSize);
    // The access log tells the answer the client did not take whole, and what it got.
    const std::string log = big.Log();
    const auto cut = log.find(" cut-short\n");
    ASSERT_NE(cut, std::string::npos) << log;
    const auto line = log.rfind('\n', cut) + 1;
    unsigned long long sent = 0;
    ASSERT_EQ(std::sscanf(log.c_str() + line, "127.0.0.1 \"GET /kelto/kelto.txt\" 200 %llu", &sent), 1) << log;
    EXPECT_LT(sent, bigSize);
}

TEST(ServiceHostileClients, LineEndsAndHostHeadersAreChecked)
{
    Service s;
    struct Case {
        std::string request;
        std::string status;
    };
    const Case cases[] = {
        {"GET / HTTP/1.0\rHost: a\r\r", "HTTP/1.0 400 Bad Request"},
        {"GET / HTTP/1.0\r\nHost: a\rX: b\r\n\r\n", "HTTP/1.0 400 Bad Request"},
        {"GET / HTTP/1.1\r\n\r\n", "HTTP/1.0 400 Bad Request"},
        {"GET / HTTP/1.1\r\nHost: a\r\nhost: b\r\n\r\n", "HTTP/1.0 400 Bad Request"},
        {"GET / HTTP/1.0\r\nHost: a\r\nHost: b\r\n\r\n", "HTTP/1.0 400 Bad Request"},
        {"GET / HTTP/1.1\r\nHost: a\r\n\r\n", "HTTP/1.0 200 OK"},
        {"GET / HTTP/1.0\n\n", "HTTP/1.0 200 OK"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(s.Peer({"raw", Hex(c.request)}), c.status) << Hex(c.request);
}

TEST(ServiceHostileClients, BeyondTheClientLimitConnectionsAreToldBusyAndWaitWithoutSpinning)
{
    // 64 descriptors at start: some clients, a few told "503", the rest wait.
    Service s({}, "", {FindProgram("prlimit"), "--nofile=64:64", "--"});
    ExpectCalmAndServing(s.Peer({"exhaust", std::to_string(s.process.Pid()), "60"}), true);
}

TEST(ServiceHostileClients, RunningOutOfDescriptorsRestsTheListenerAndSaysSoOnce)
{
    Service s;
    const std::string pid = std::to_string(s.process.Pid());
    // Room for five more descriptors than the service holds now.
    std::string open;
    RunCommand({"sh", "-c", "ls /proc/" + pid + "/fd | wc -l"}, &open);
    const std::string limit = std::to_string(std::stoi(open) + 5);
    ASSERT_EQ(RunCommand({FindProgram("prlimit"), "--pid", pid, "--nofile=" + limit + ":" + limit}), 0);
    ExpectCalmAndServing(s.Peer({"exhaust", pid, "30"}), false);
    EXPECT_EQ(Count(s.Log(), "out of descriptors"), 1u) << s.Log().substr(0, 2000);
}

TEST(ServiceHostileClients, AClientThatHalfClosesGetsItsWholeAnswer)
{
    // Far more than the kernel holds: most of it goes out after the client has finished.
    Service s({"--demo", "40000", "--timeout", "1"});
    const std::string before = ReadFile(s.file);
    const std::string size = std::to_string(before.size());
    struct Case {
        std::string path;
        std::string length; // empty: whatever the answer announces
    };
    const Case cases[] = {{"/kelto/kelto.txt", size}, {"/", ""}, {Submission("halb"), ""}};
    for (const Case& c : cases) {
        std::istringstream out(s.Peer({"halfclose", Auth, c.path}));
        std::string status, body, length;
        out >> status >> body >> length;
        EXPECT_EQ(status, "200") << c.path;
        EXPECT_EQ(body, length) << c.path; // the whole body as announced
        if (!c.length.empty()) {
            EXPECT_EQ(length, c.length);
        }
    }
    const std::string after = ReadFile(s.file);
    EXPECT_EQ(after.compare(0, before.size(), before), 0); // megabytes: no diff of the whole
    EXPECT_EQ(after.substr(std::min(before.size(), after.size())), StoredSubmission("halb"));
    // One that takes nothing of its answer is still dropped, one timeout after its last progress.
    std::istringstream out(s.Peer({"halfclose", Auth, "/kelto/kelto.txt", s.dir.File("service.log")}));
    double seconds = 0;
    out >> seconds;
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 5.0);
}
