// zuneigo-fetch's progress meter, with standard error on a real pseudo-terminal.
#include "tests/http/HttpPeers.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <regex>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zuneigo::test;

namespace {

// Runs a shell command with the terminal's end of a new pty as its standard input,
// output and error; returns what appeared on the terminal.
std::string OnTerminal(const std::string& command)
{
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    char buffer[4096];
    pollfd p{master, POLLIN, 0};
    // An ended child closes the terminal: read gives EIO then.
    while (poll(&p, 1, 20000) > 0) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    return seen;
}

const std::string Half(100000, 'a');

} // namespace

TEST(ProgressMeter, ShownOnTheTerminalOnlyWhenTheDocumentGoesElsewhere)
{
    // Half the document, a pause longer than the redraw interval, the other half.
    ScriptedPeer peer({{Recv(), Send("HTTP/1.0 200 OK\r\nContent-Length: 200000\r\n\r\n" + Half), Sleep(0.6),
                        Send(Half)}});
    TempDir dir;
    const std::string fetch = BinDir() + "/zuneigo-fetch " + peer.Url("/doc");
    const struct {
        std::string command;
        bool meter;
    } cases[] = {{fetch + " -o " + dir.File("doc"), true},
                 {fetch + " | cat >" + dir.File("piped"), true},
                 {fetch + " --silent -o " + dir.File("quiet"), false},
                 {fetch + " -s | cat >/dev/null", false},
                 {fetch + " -v -o " + dir.File("verbose"), false}};
    for (const auto& c : cases) {
        const std::string seen = OnTerminal(c.command);
        if (!c.meter) {
            EXPECT_EQ(seen.find("KiB"), std::string::npos) << c.command << "\n"
                                                           << seen;
            continue;
        }
        // A line drawn before the end, and the last one ended for the next output.
        const std::regex before("\r [ 1-9][0-9]%  [0-9.]+ KiB of 195.3 KiB  .*/s  0:0[0-9] left");
        EXPECT_TRUE(std::regex_search(seen, before)) << c.command << "\n"
                                                     << seen;
        const std::size_t last = seen.rfind('\r', seen.size() - 3);
        ASSERT_NE(last, std::string::npos) << seen;
        EXPECT_EQ(seen.substr(last, 30), "\r100%  195.3 KiB of 195.3 KiB ") << c.command << "\n"
                                                                            << seen;
        EXPECT_EQ(seen.substr(seen.size() - 2), "\r\n") << c.command;
    }
    EXPECT_EQ(ReadFile(dir.File("doc")), Half + Half);
    EXPECT_EQ(ReadFile(dir.File("piped")), Half + Half);
}

TEST(ProgressMeter, StaysOffWhenTheDocumentGoesToTheTerminal)
{
    ScriptedPeer peer({{Recv(), Send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhallo")}});
    EXPECT_EQ(OnTerminal(BinDir() + "/zuneigo-fetch " + peer.Url("/")), "hallo");
}

TEST(ProgressMeter, UnknownLengthAndAFailureAfterIt)
{
    // No Content-Length: bytes and rate only. A document cut short: the error message
    // starts on a line of its own.
    ScriptedPeer whole({{Recv(), Send("HTTP/1.0 200 OK\r\n\r\n" + Half)}});
    ScriptedPeer cut({{Recv(), Send("HTTP/1.0 200 OK\r\nContent-Length: 200000\r\n\r\n" + Half)}});
    TempDir dir;
    const std::string seen = OnTerminal(BinDir() + "/zuneigo-fetch -o " + dir.File("a") + " " + whole.Url("/"));
    EXPECT_NE(seen.find("\r97.7 KiB  "), std::string::npos) << seen;
    EXPECT_EQ(seen.find('%'), std::string::npos) << seen;
    const std::string failed = OnTerminal(BinDir() + "/zuneigo-fetch -o " + dir.File("b") + " " + cut.Url("/"));
    EXPECT_NE(failed.find("\r 50%  97.7 KiB of 195.3 KiB  "), std::string::npos) << failed;
    EXPECT_NE(failed.find("\r\nzuneigo-fetch: "), std::string::npos) << failed;
}

TEST(ProgressMeter, RedrawnWhileStalledAndEndedBeforeTheTimeout)
{
    ScriptedPeer stalled({{Recv(), Send("HTTP/1.0 200 OK\r\nContent-Length: 200000\r\n\r\n" + Half), Hold()}});
    TempDir dir;
    const std::string seen =
        OnTerminal(BinDir() + "/zuneigo-fetch --max-time 2.6 -o " + dir.File("a") + " " + stalled.Url("/"));
    // Data arrives only at the start: the timer draws the later lines.
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = seen.find("\r 50%  97.7 KiB of 195.3 KiB", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_GE(lines, 2u) << seen;
    EXPECT_NE(seen.find("\r\nzuneigo-fetch: Timeout\r\n"), std::string::npos) << seen;
}
