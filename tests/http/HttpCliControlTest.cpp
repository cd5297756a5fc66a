// The life of a request: failures of lookup and connection, redirect chains and their
// bound, and the synchronous call, with the transport played by the test.
#include "FedHttpCli.h"

#include "base/Stream.h"
#include "http/HttpException.h"

#include <gtest/gtest.h>

using namespace zuneigo;
using zuneigo::test::FedHttpCli;

namespace {
struct Logged : FedHttpCli {
    std::vector<std::string> log;
    int done = 0;
    std::uint16_t doneError = 0xFFFF;
    Logged()
    {
        OnStateChange = [this](TCustomHttpCli& s) { log.push_back(HttpCliStateName(s.RequestState())); };
        OnRequestDone = [this](TCustomHttpCli&, THttpRequest, std::uint16_t e) {
            ++done;
            doneError = e;
        };
        OnLocationChange = [this](TCustomHttpCli& s) { log.push_back("Location:" + s.Location()); };
    }
    std::string Log()
    {
        std::string r;
        for (const auto& s : log)
            r += s + " ";
        log.clear();
        return r;
    }
};
} // namespace

TEST(HttpCliControl, FailedLookup)
{
    Logged c;
    c.SetURL("http://nowhere.invalid/");
    c.StartRequest(rqGet);
    c.LookupDone(11001);
    c.Pump();
    EXPECT_EQ(c.Log(), "hsStarting hsDnsLookup hsReady ");
    EXPECT_EQ(c.StatusCode(), 404);
    EXPECT_EQ(c.ReasonPhrase(), "can't resolve hostname to IP address");
    EXPECT_EQ(c.done, 1);
    EXPECT_EQ(c.doneError, 11001);
}

TEST(HttpCliControl, ConnectRaisesOrIsRefused)
{
    Logged c;
    c.SetURL("http://h/");
    c.connectRaises = true;
    c.StartRequest(rqGet);
    c.LookupDone(0);
    c.Pump();
    EXPECT_EQ(c.ReasonPhrase(), "can't connect: Cannot assign requested address (Error #10049)");
    EXPECT_EQ(c.doneError, 10049);
    EXPECT_EQ(c.RequestState(), hsReady);

    c.connectRaises = false;
    c.StartRequest(rqGet);
    EXPECT_EQ(c.StatusCode(), 0);
    c.LookupDone(0);
    c.Connected(10061); // reported failed, and closed by the socket as well
    EXPECT_EQ(c.messages.size(), 1u); // one end, not two
    c.Pump();
    EXPECT_EQ(c.StatusCode(), 404);
    EXPECT_EQ(c.ReasonPhrase(), "Connection refused (Error #10061)");
    EXPECT_EQ(c.doneError, 10061);
    EXPECT_EQ(c.done, 2);
}

TEST(HttpCliControl, LookupRefusedAtOnceLeavesTheClientReady)
{
    Logged c;
    c.SetURL("http:///nohost");
    EXPECT_THROW(c.StartRequest(rqGet), Exception);
    EXPECT_EQ(c.RequestState(), hsReady);
    c.Pump();
    EXPECT_EQ(c.done, 0);
    // and it takes the next request
    c.SetURL("http://h/");
    c.StartRequest(rqGet);
    EXPECT_EQ(c.RequestState(), hsDnsLookup);
}

TEST(HttpCliControl, RedirectChainRestartsFromTheLookup)
{
    Logged c;
    TMemoryStream doc;
    c.SetRcvdStream(&doc);
    c.SetURL("http://a/start");
    c.StartRequest(rqGet);
    c.Establish();
    c.Log();
    c.sent.clear();
    c.Answer({"HTTP/1.0 302 Found\r\nLocation: http://b:81/next\r\n\r\nredirect body"});
    EXPECT_EQ(c.Log(), "Location:http://b:81/next hsDnsLookup ");
    EXPECT_EQ(c.lookups.back(), "b");
    EXPECT_EQ(c.StatusCode(), 302);
    c.Establish();
    EXPECT_EQ(c.sent.substr(0, 25), "GET /next HTTP/1.0\r\nAccep");
    EXPECT_NE(c.sent.find("\r\nHost: b\r\n"), std::string::npos);
    EXPECT_EQ(c.connects.back(), "127.0.0.1:81");
    EXPECT_EQ(c.Log(), "hsDnsLookupDone hsConnected hsWaitingHeader ");
    // a location on a 200 is followed as well
    c.Answer({"HTTP/1.0 200 OK\r\nlocation: /third\r\n\r\n"});
    c.Establish();
    c.Answer({"HTTP/1.0 200 OK\r\n\r\nfinal"});
    EXPECT_EQ(doc.ToString(), "final");
    EXPECT_EQ(c.done, 1);
    EXPECT_EQ(c.Location(), "http://b:81/third");
    EXPECT_EQ(c.ReceivedHeader().size(), 5u); // every response's lines accumulate
    EXPECT_EQ(c.RedirectCount(), 2);
}

TEST(HttpCliControl, EmptyLocationIsIgnored)
{
    Logged c;
    TMemoryStream doc;
    c.SetRcvdStream(&doc);
    c.SetURL("http://a/");
    c.StartRequest(rqGet);
    c.Establish();
    c.Answer({"HTTP/1.0 301 Moved\r\nLocation:\r\nLocation:   \r\n\r\nbody"});
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_EQ(doc.ToString(), "body");
    EXPECT_EQ(c.lookups.size(), 1u);
}

TEST(HttpCliControl, RedirectLoopEndsAfterTwentyAsFailure)
{
    Logged c;
    c.SetURL("http://a/loop");
    int rounds = 0;
    c.StartRequest(rqGet);
    while (c.RequestState() != hsReady && rounds < 100) {
        c.Establish();
        c.Answer({"HTTP/1.0 302 Found\r\nLocation: /loop\r\n\r\n"});
        ++rounds;
    }
    EXPECT_EQ(rounds, 21);
    EXPECT_EQ(c.RedirectCount(), 20);
    EXPECT_EQ(c.StatusCode(), 508);
    EXPECT_EQ(c.ReasonPhrase(), "Too many redirections: more than 20 in one request");
    EXPECT_EQ(c.done, 1);
}

TEST(HttpCliControl, RedirectToARefusedHostEndsAsFailedLookup)
{
    Logged c;
    c.SetURL("http://a/");
    c.StartRequest(rqGet);
    c.Establish();
    c.Answer({"HTTP/1.0 302 Found\r\nLocation: http://refused.invalid/x\r\n\r\n"});
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_EQ(c.StatusCode(), 404);
    EXPECT_EQ(c.doneError, 11001);
}

TEST(HttpCliControl, SynchronousCallRaisesForErrorStatusesOnly)
{
    struct Scripted : Logged {
        std::vector<std::string> answer;
        void WaitForMessages() override
        {
            if (RequestState() == hsDnsLookup) {
                Establish();
                Answer(answer);
            }
            Pump();
        }
    } c;
    TMemoryStream doc;
    c.SetRcvdStream(&doc);
    c.SetURL("http://a/");
    c.answer = {"HTTP/1.0 200 OK\r\n\r\nfine"};
    c.Get();
    EXPECT_EQ(doc.ToString(), "fine");

    c.answer = {"HTTP/1.0 403 Forbidden here\r\n\r\n"};
    try {
        c.Get();
        FAIL();
    } catch (const EHttpException& e) {
        EXPECT_EQ(e.Message(), "Forbidden here");
        EXPECT_EQ(e.ErrorCode(), 403);
    }

    c.answer = {}; // closed without a word: not an error
    c.Get();
    EXPECT_EQ(c.StatusCode(), 0);

    c.answer = {"HTTP/1.0 200 OK\r\nX: " + std::string(9000, 'x')};
    try {
        c.Head();
        FAIL();
    } catch (const EHttpException& e) {
        EXPECT_EQ(e.Message(), "HTTP line too long");
        EXPECT_EQ(e.ErrorCode(), 4);
    }
    // OnRequestDone comes through its own message, not before Get returns
    EXPECT_EQ(c.RequestState(), hsReady);
}

TEST(HttpCliControl, RedirectedPostSendsTheSameBodyAgain)
{
    Logged c;
    TMemoryStream body;
    body.WriteString("skip|T1=a&T2=b");
    body.SetPosition(5);
    c.SetSendStream(&body);
    c.SetURL("http://a/cgi");
    c.StartRequest(rqPost);
    c.Establish();
    c.SendComplete();
    EXPECT_NE(c.sent.find("\r\nContent-Length: 9\r\n\r\nT1=a&T2=b"), std::string::npos) << c.sent;
    c.sent.clear();
    c.Answer({"HTTP/1.0 302 Found\r\nLocation: /other\r\n\r\n"});
    c.Establish();
    c.SendComplete();
    EXPECT_EQ(c.sent.substr(0, 22), "POST /other HTTP/1.0\r\n");
    EXPECT_NE(c.sent.find("\r\nContent-Length: 9\r\n\r\nT1=a&T2=b"), std::string::npos) << c.sent;
}

TEST(HttpCliControl, NextRequestFromInsideOnRequestDone)
{
    Logged c;
    c.SetURL("http://a/1");
    int started = 0;
    c.OnRequestDone = [&](TCustomHttpCli& s, THttpRequest, std::uint16_t) {
        if (++started == 1) {
            s.SetURL("http://b/2");
            s.StartRequest(rqHead);
        }
    };
    c.StartRequest(rqGet);
    c.Establish();
    c.Answer({"HTTP/1.0 200 OK\r\n\r\n"});
    EXPECT_EQ(c.RequestState(), hsDnsLookup);
    EXPECT_EQ(c.lookups.back(), "b");
    c.Establish();
    EXPECT_NE(c.sent.find("HEAD /2 HTTP/1.0\r\n"), std::string::npos);
    c.Answer({"HTTP/1.0 200 OK\r\n\r\n"});
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_EQ(started, 2);
}
