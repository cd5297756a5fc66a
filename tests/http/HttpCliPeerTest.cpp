// THttpCli against scripted peers that misbehave on purpose: odd status lines, documents
// without a header, overlong lines, early closes, redirect chains, a server that keeps
// the connection open until it is told; and the busy refusal during a running request.
#include "HttpFailure.h"
#include "HttpPeers.h"

#include "base/Stream.h"
#include "http/HttpCli.h"
#include "platform/Application.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace zuneigo;
using namespace zuneigo::test;
using namespace std::string_literals;

namespace {

struct Result {
    std::string doc;
    int status = -1;
    std::string error; // "MESSAGE (CODE)" of an EHttpException
};

Result GetFrom(const std::vector<std::vector<PeerStep>>& script, THttpCli& cli)
{
    ScriptedPeer peer(script);
    TMemoryStream doc;
    cli.SetURL(peer.Url("/dir/doc.exe"));
    cli.SetRcvdStream(&doc);
    Result r;
    r.error = HttpFailure([&] { cli.Get(); });
    r.doc = doc.ToString();
    r.status = cli.StatusCode();
    cli.SetRcvdStream(nullptr);
    return r;
}

} // namespace

TEST(HttpCliPeer, OddAnswers)
{
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nline 1\r\nline 2\n\0end"s;
    std::vector<PeerStep> trickle = {Recv()};
    for (char c : answer) {
        trickle.push_back(Send(std::string(1, c)));
        trickle.push_back(Sleep(0.002));
    }
    std::string endless;
    while (endless.size() <= TCustomHttpCli::HeaderMax)
        endless += "X-Fill: " + std::string(100, 'f') + "\r\n";
    struct Case {
        const char* name;
        std::vector<std::vector<PeerStep>> script;
        std::string doc;
        int status;
        std::string error;
    };
    const Case cases[] = {
        {"in one piece", {{Recv(), Send(answer)}}, "line 1\r\nline 2\n\0end"s, 200, ""},
        {"byte by byte", {trickle}, "line 1\r\nline 2\n\0end"s, 200, ""},
        {"no header",
         {{Recv(), Send("<HTML>\r\n<body>x</body>\r\n"), Sleep(0.05), Send("</html>\n")}},
         "<HTML>\r\n<body>x</body>\r\n</html>\n",
         0,
         ""},
        {"lone CR", {{Recv(), Send("HTTP/1.0 200 OK\r\nX-Odd: a\rb\r\n\r\ndoc")}}, "doc", 200, ""},
        {"unknown version", {{Recv(), Send("HTTP/1.2 200 OK\r\nServer: x\r\n\r\ndoc")}}, "doc", 0, ""},
        {"overlong line",
         {{Recv(), Send("HTTP/1.0 200 OK\r\nX-Long: " + std::string(9000, 'y') + "\r\n\r\nd"), Hold()}},
         "",
         200,
         "HTTP line too long (4)"},
        // a zero byte hides the line end behind it: the header never ends
        {"zero byte", {{Recv(), Send("HTTP/1.0 200 OK\r\nX: a\0b\r\n\r\n"s + std::string(9000, 'z')), Hold()}}, "", 200, "HTTP line too long (4)"},
        // header lines without end: a server must not be able to take the memory
        {"endless header", {{Recv(), Send("HTTP/1.0 200 OK\r\n" + endless), Hold()}}, "", 200, "HTTP header too long (4)"},
        {"error status", {{Recv(), Send("HTTP/1.0 403 Forbidden\r\nX-A: 1\r\n\r\n"), Hold()}}, "", 403, "Forbidden (403)"},
        {"closed at once", {{Recv()}}, "", 0, ""},
        {"closed in the status line", {{Recv(), Send("HTTP/1.0 20")}}, "", 0, ""},
        {"redirect loop", {{Recv(), Send("HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n")}}, "", 508, "Too many redirections: more than 20 in one request (508)"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const auto start = std::chrono::steady_clock::now();
        THttpCli cli;
        const Result r = GetFrom(k.script, cli);
        EXPECT_EQ(r.doc, k.doc);
        EXPECT_EQ(r.error, k.error);
        EXPECT_EQ(r.status, k.status);
        // the peers that hold the connection keep it for 30 s
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

TEST(HttpCliPeer, RedirectChainWithALocationOnAnOk)
{
    THttpCli cli;
    int located = 0, done = 0;
    cli.OnLocationChange = [&](TCustomHttpCli&) { ++located; };
    cli.OnRequestDone = [&](TCustomHttpCli&, THttpRequest, std::uint16_t) { ++done; };
    Result r = GetFrom({{Recv(), Send("HTTP/1.0 301 Moved\r\nLocation: /second\r\n\r\nignored")},
                        {Recv(), Send("HTTP/1.0 200 OK\r\nLocation: third.txt\r\n\r\nignored too")},
                        {Recv(), Send("HTTP/1.0 200 OK\r\nSet-Cookie: a=b\r\n\r\nthe end")}},
                       cli);
    EXPECT_EQ(r.doc, "the end");
    EXPECT_EQ(located, 2);
    EXPECT_EQ(cli.Target().requestPath, "/third.txt");
    platform::Application::Instance().ProcessMessages();
    EXPECT_EQ(done, 1);
}

TEST(HttpCliPeer, WhileGetWaitsMessagesFlowAndASecondRequestIsRefused)
{
    TempDir dir;
    const std::string flag = dir.File("go");
    ScriptedPeer peer({{Recv(), Send("HTTP/1.0 200 OK\r\n\r\npart one, "), WaitFile(flag), Send("part two"),
                        Sleep(0.05)}});
    // Another window of the thread: its message arrives while Get waits, and only its
    // handler tells the server to finish.
    int handled = 0;
    const platform::HWND other = platform::CreateHiddenWindow([&](platform::UINT msg, platform::WPARAM, platform::LPARAM) {
        if (msg == platform::WM_USER + 77) {
            ++handled;
            WriteFile(flag, "go");
        }
        return platform::LRESULT(0);
    });
    THttpCli cli;
    TMemoryStream doc, second;
    const std::string url = peer.Url("/running");
    cli.SetURL(url);
    cli.SetRcvdStream(&doc);
    std::string refusal;
    cli.OnDocBegin = [&](TCustomHttpCli&) {
        // what a second download button does while the first one waits
        cli.SetURL("http://127.0.0.1:1/other");
        cli.SetProxy("127.0.0.1:2");
        cli.SetRcvdStream(&second);
        refusal = HttpFailure([&] { cli.Get(); });
        platform::PostMessage(other, platform::WM_USER + 77, 0, 0);
    };
    cli.Get();
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(refusal, "HTTP component is busy (1)");
    EXPECT_EQ(doc.ToString(), "part one, part two");
    EXPECT_EQ(second.Size(), 0);
    EXPECT_EQ(cli.Location(), url);
    EXPECT_EQ(cli.StatusCode(), 200);
    platform::DestroyWindow(other);
}

TEST(HttpCliPeer, LookupAndConnectionFailures)
{
    THttpCli cli;
    std::uint16_t doneError = 0;
    cli.OnRequestDone = [&](TCustomHttpCli&, THttpRequest, std::uint16_t e) { doneError = e; };
    auto failure = [&](const std::string& url) {
        cli.SetURL(url);
        const std::string r = HttpFailure([&] { cli.Get(); });
        platform::Application::Instance().ProcessMessages();
        return r;
    };
    EXPECT_EQ(failure("http://127.0.0.1:" + std::to_string(FreeTcpPort()) + "/"),
              "Connection refused (Error #10061) (404)");
    EXPECT_EQ(doneError, 10061);
    EXPECT_EQ(failure("http://no-such-host.invalid/"), "can't resolve hostname to IP address (404)");
    EXPECT_NE(doneError, 10061);
    // an empty host is refused at once; the client is ready for the next request
    EXPECT_ANY_THROW(failure("http:///x"));
    EXPECT_EQ(cli.RequestState(), hsReady);
}
