// THttpCli against scripted peers that misbehave on purpose: odd status lines, documents
// without a header, overlong lines, early closes, redirect chains, a server that keeps
// the connection open until it is told; and the busy refusal during a running request.
#include "HttpPeers.h"

#include "base/Stream.h"
#include "http/HttpCli.h"
#include "http/HttpException.h"
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

Result GetFrom(const std::vector<std::vector<PeerStep>>& script, THttpCli* use = nullptr)
{
    ScriptedPeer peer(script);
    THttpCli own;
    THttpCli& cli = use ? *use : own;
    TMemoryStream doc;
    cli.SetURL(peer.Url("/dir/doc.exe"));
    cli.SetRcvdStream(&doc);
    Result r;
    try {
        cli.Get();
    } catch (const EHttpException& e) {
        r.error = e.Message() + " (" + std::to_string(e.ErrorCode()) + ")";
    }
    r.doc = doc.ToString();
    r.status = cli.StatusCode();
    cli.SetRcvdStream(nullptr);
    return r;
}

} // namespace

TEST(HttpCliPeer, HeaderAndDocumentInOnePieceAndInMany)
{
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nline 1\r\nline 2\n\0end"s;
    Result one = GetFrom({{Recv(), Send(answer)}});
    EXPECT_EQ(one.doc, "line 1\r\nline 2\n\0end"s);
    std::vector<PeerStep> trickle = {Recv()};
    for (char c : answer) {
        trickle.push_back(Send(std::string(1, c)));
        trickle.push_back(Sleep(0.002));
    }
    Result many = GetFrom({trickle});
    EXPECT_EQ(many.doc, one.doc);
    EXPECT_EQ(many.status, 200);
}

TEST(HttpCliPeer, DocumentWithoutHeader)
{
    THttpCli cli;
    Result r = GetFrom({{Recv(), Send("<HTML>\r\n<body>x</body>\r\n"), Sleep(0.05), Send("</html>\n")}}, &cli);
    EXPECT_EQ(r.doc, "<HTML>\r\n<body>x</body>\r\n</html>\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(cli.ContentType(), "text/html");
    EXPECT_TRUE(cli.ReceivedHeader().empty());
}

TEST(HttpCliPeer, LoneCarriageReturnAndOddStatusLines)
{
    THttpCli cli;
    Result r = GetFrom({{Recv(), Send("HTTP/1.0 200 OK\r\nX-Odd: a\rb\r\n\r\ndoc")}}, &cli);
    EXPECT_EQ(cli.ReceivedHeader().at(1), "X-Odd: a\rb");
    EXPECT_EQ(r.doc, "doc");

    r = GetFrom({{Recv(), Send("HTTP/1.2 200 OK\r\nServer: x\r\n\r\ndoc")}}, &cli);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.doc, "doc");
    EXPECT_EQ(r.error, "");
}

TEST(HttpCliPeer, OverlongHeaderLineEndsTheRequestWithoutWaitingForTheServer)
{
    const auto start = std::chrono::steady_clock::now();
    // the peer would hold the connection for 30 s
    Result r = GetFrom({{Recv(), Send("HTTP/1.0 200 OK\r\nX-Long: " + std::string(9000, 'y') + "\r\n\r\nd"), Hold()}});
    EXPECT_EQ(r.error, "HTTP line too long (4)");
    EXPECT_EQ(r.doc, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    // a zero byte hides the line end behind it: the header never ends
    r = GetFrom({{Recv(), Send("HTTP/1.0 200 OK\r\nX: a\0b\r\n\r\n"s + std::string(9000, 'z')), Hold()}});
    EXPECT_EQ(r.error, "HTTP line too long (4)");
}

TEST(HttpCliPeer, ErrorStatusFollowedByMoreLines)
{
    THttpCli cli;
    Result r = GetFrom({{Recv(), Send("HTTP/1.0 403 Forbidden\r\nX-A: 1\r\n\r\nwhy"), Hold()}}, &cli);
    EXPECT_EQ(r.error, "Forbidden (403)");
    EXPECT_EQ(r.status, 403);
    EXPECT_EQ(cli.ReceivedHeader().size(), 2u);
}

TEST(HttpCliPeer, CloseBeforeTheStatusLine)
{
    Result r = GetFrom({{Recv()}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.doc, "");
    EXPECT_EQ(r.error, "");
    r = GetFrom({{Recv(), Send("HTTP/1.0 20")}});
    EXPECT_EQ(r.status, 0);
}

TEST(HttpCliPeer, RedirectChainsLoopsAndLocationOnAnOk)
{
    THttpCli cli;
    int located = 0, done = 0;
    cli.OnLocationChange = [&](TCustomHttpCli&) { ++located; };
    cli.OnRequestDone = [&](TCustomHttpCli&, THttpRequest, std::uint16_t) { ++done; };
    Result r = GetFrom({{Recv(), Send("HTTP/1.0 301 Moved\r\nLocation: /second\r\n\r\nignored")},
                        {Recv(), Send("HTTP/1.0 200 OK\r\nLocation: third.txt\r\n\r\nignored too")},
                        {Recv(), Send("HTTP/1.0 200 OK\r\nSet-Cookie: a=b\r\n\r\nthe end")}},
                       &cli);
    EXPECT_EQ(r.doc, "the end");
    EXPECT_EQ(located, 2);
    EXPECT_EQ(cli.Target().requestPath, "/third.txt");
    platform::Application::Instance().ProcessMessages();
    EXPECT_EQ(done, 1);

    r = GetFrom({{Recv(), Send("HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n")}});
    EXPECT_EQ(r.error, "Too many redirections: more than 20 in one request (508)");
}

TEST(HttpCliPeer, RangeCookieAndChallengeFields)
{
    THttpCli cli;
    std::vector<std::string> cookies;
    cli.OnCookie = [&](TCustomHttpCli&, const std::string& v, bool&) { cookies.push_back(v); };
    Result r = GetFrom({{Recv(), Send("HTTP/1.0 206 Partial\r\nContent-Range: bytes 100-199/1000\r\n"
                                      "Set-Cookie: id=1; Path=/\r\nSet-Cookie: lang=de\r\n"
                                      "WWW-Authenticate: Basic realm=\"x\"\r\n\r\n0123")}},
                       &cli);
    EXPECT_EQ(r.doc, "0123");
    EXPECT_EQ(cli.ContentRangeBegin(), "100");
    EXPECT_EQ(cli.ContentRangeEnd(), "199");
    EXPECT_EQ(cookies, (std::vector<std::string>{"id=1; Path=/", "lang=de"}));
    EXPECT_EQ(cli.AuthChallenges(), (std::vector<std::string>{"Basic realm=\"x\""}));
}

TEST(HttpCliPeer, WaitKeepsOtherWindowsMessagesFlowing)
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
    TMemoryStream doc;
    cli.SetURL(peer.Url("/"));
    cli.SetRcvdStream(&doc);
    cli.OnDocBegin = [&](TCustomHttpCli&) { platform::PostMessage(other, platform::WM_USER + 77, 0, 0); };
    cli.Get();
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(doc.ToString(), "part one, part two");
    platform::DestroyWindow(other);
}

TEST(HttpCliPeer, BusyRefusalLeavesTheRunningRequestAlone)
{
    TempDir dir;
    const std::string flag = dir.File("go");
    ScriptedPeer peer({{Recv(), Send("HTTP/1.0 200 OK\r\n\r\nfirst "), WaitFile(flag), Send("second")}});
    THttpCli cli;
    TMemoryStream doc, other;
    const std::string url = peer.Url("/running");
    cli.SetURL(url);
    cli.SetRcvdStream(&doc);
    std::string refusal;
    cli.OnDocBegin = [&](TCustomHttpCli&) {
        // what a second download button does while the first one waits
        cli.SetURL("http://127.0.0.1:1/other");
        cli.SetProxy("127.0.0.1:2");
        cli.SetRcvdStream(&other);
        try {
            cli.Get();
        } catch (const EHttpException& e) {
            refusal = e.Message() + " (" + std::to_string(e.ErrorCode()) + ")";
        }
        WriteFile(flag, "go");
    };
    cli.Get();
    EXPECT_EQ(refusal, "HTTP component is busy (1)");
    EXPECT_EQ(doc.ToString(), "first second");
    EXPECT_EQ(other.Size(), 0);
    EXPECT_EQ(cli.Location(), url);
    EXPECT_EQ(cli.StatusCode(), 200);
}

TEST(HttpCliPeer, LookupAndConnectionFailures)
{
    THttpCli cli;
    std::uint16_t doneError = 0;
    cli.OnRequestDone = [&](TCustomHttpCli&, THttpRequest, std::uint16_t e) { doneError = e; };
    cli.SetURL("http://127.0.0.1:" + std::to_string(FreeTcpPort()) + "/");
    try {
        cli.Get();
        FAIL();
    } catch (const EHttpException& e) {
        EXPECT_EQ(e.ErrorCode(), 404);
        EXPECT_EQ(e.Message(), "Connection refused (Error #10061)");
    }
    platform::Application::Instance().ProcessMessages();
    EXPECT_EQ(doneError, 10061);

    cli.SetURL("http://no-such-host.invalid/");
    try {
        cli.Get();
        FAIL();
    } catch (const EHttpException& e) {
        EXPECT_EQ(e.ErrorCode(), 404);
        EXPECT_EQ(e.Message(), "can't resolve hostname to IP address");
    }
    platform::Application::Instance().ProcessMessages();
    EXPECT_NE(doneError, 0);

    // an empty host is refused at once; the client is ready for the next request
    cli.SetURL("http:///x");
    EXPECT_ANY_THROW(cli.Get());
    EXPECT_EQ(cli.RequestState(), hsReady);
}
