// The life of a request: failures of lookup and connection, redirect chains, and the
// synchronous call, with the transport played by the test.
#include "FedHttpCli.h"
#include "HttpFailure.h"

#include "base/Stream.h"
#include "http/HttpException.h"

#include <gtest/gtest.h>

using namespace zuneigo;
using zuneigo::test::LoggedHttpCli;

TEST(HttpCliControl, LookupAndConnectionFailures)
{
    LoggedHttpCli c;
    c.SetURL("http://nowhere.invalid/");
    c.StartRequest(rqGet);
    c.LookupDone(11001);
    c.Pump();
    EXPECT_EQ(c.TakeLog(), "hsStarting|hsDnsLookup|hsReady|Done:11001|");
    EXPECT_EQ(c.StatusCode(), 404);
    EXPECT_EQ(c.ReasonPhrase(), "can't resolve hostname to IP address");

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
    c.Connected(10061);               // reported failed, and closed by the socket as well
    EXPECT_EQ(c.messages.size(), 1u); // one end, not two
    c.Pump();
    EXPECT_EQ(c.StatusCode(), 404);
    EXPECT_EQ(c.ReasonPhrase(), "Connection refused (Error #10061)");
    EXPECT_EQ(c.doneError, 10061);
    EXPECT_EQ(c.done, 3);

    // a redirect to a host the lookup refuses ends as a failed lookup
    c.StartRequest(rqGet);
    c.Establish();
    c.Answer({"HTTP/1.0 302 Found\r\nLocation: http://refused.invalid/x\r\n\r\n"});
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_EQ(c.StatusCode(), 404);
    EXPECT_EQ(c.doneError, 11001);
}

TEST(HttpCliControl, LookupRefusedAtOnceLeavesTheClientReady)
{
    LoggedHttpCli c;
    c.SetURL("http:///nohost");
    EXPECT_THROW(c.StartRequest(rqGet), Exception);
    EXPECT_EQ(c.RequestState(), hsReady);
    c.Pump();
    EXPECT_EQ(c.done, 0);
    c.SetURL("http://h/");
    c.StartRequest(rqGet);
    EXPECT_EQ(c.RequestState(), hsDnsLookup);
}

TEST(HttpCliControl, RedirectChainRestartsFromTheLookup)
{
    LoggedHttpCli c;
    TMemoryStream doc;
    c.SetRcvdStream(&doc);
    c.SetURL("http://a/start");
    c.StartRequest(rqGet);
    c.Establish();
    c.log.clear();
    c.sent.clear();
    c.Answer({"HTTP/1.0 302 Found\r\nLocation: http://b:81/next\r\n\r\nredirect body"});
    // the redirect's body is not delivered
    EXPECT_EQ(c.TakeLog(), "HeaderBegin|HeaderData|HeaderData|HeaderEnd|Location:http://b:81/next|hsDnsLookup|");
    EXPECT_EQ(c.lookups.back(), "b");
    EXPECT_EQ(c.StatusCode(), 302);
    c.Establish();
    EXPECT_EQ(c.sent.substr(0, 25), "GET /next HTTP/1.0\r\nAccep");
    EXPECT_NE(c.sent.find("\r\nHost: b\r\n"), std::string::npos);
    EXPECT_EQ(c.connects.back(), "127.0.0.1:81");
    EXPECT_EQ(c.TakeLog(), "hsDnsLookupDone|hsConnected|hsWaitingHeader|");
    // a location on a 200 is followed as well
    c.Answer({"HTTP/1.0 200 OK\r\nlocation: /third\r\n\r\n"});
    c.Establish();
    c.Answer({"HTTP/1.0 200 OK\r\n\r\nfinal"});
    EXPECT_EQ(doc.ToString(), "final");
    EXPECT_EQ(c.done, 1);
    EXPECT_EQ(c.Location(), "http://b:81/third");
    EXPECT_EQ(c.ReceivedHeader().size(), 5u); // every response's lines accumulate
    EXPECT_EQ(c.RedirectCount(), 2);

    // an empty location is not followed
    c.StartRequest(rqGet);
    c.Establish();
    c.Answer({"HTTP/1.0 301 Moved\r\nLocation:\r\nLocation:   \r\n\r\nbody"});
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_EQ(doc.ToString(), "finalbody");
    EXPECT_EQ(c.lookups.size(), 4u);
}

TEST(HttpCliControl, SynchronousCallRaisesForErrorStatusesOnly)
{
    struct Scripted : LoggedHttpCli {
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
    auto failure = [&](std::vector<std::string> answer, THttpRequest rq) -> std::string {
        c.answer = std::move(answer);
        return zuneigo::test::HttpFailure([&] { rq == rqHead ? c.Head() : c.Get(); });
    };
    EXPECT_EQ(failure({"HTTP/1.0 200 OK\r\n\r\nfine"}, rqGet), "");
    EXPECT_EQ(doc.ToString(), "fine");
    EXPECT_EQ(failure({"HTTP/1.0 403 Forbidden here\r\n\r\n"}, rqGet), "Forbidden here (403)");
    EXPECT_EQ(failure({}, rqGet), ""); // closed without a word: not an error
    EXPECT_EQ(c.StatusCode(), 0);
    EXPECT_EQ(failure({"HTTP/1.0 200 OK\r\nX: " + std::string(9000, 'x')}, rqHead), "HTTP line too long (4)");
    // OnRequestDone comes through its own message, not before Get returns
    EXPECT_EQ(c.RequestState(), hsReady);
}

TEST(HttpCliControl, RedirectedPostSendsTheSameBodyAgain)
{
    LoggedHttpCli c;
    TMemoryStream body;
    body.WriteString("skip|T1=a&T2=b");
    body.SetPosition(5);
    c.SetSendStream(&body);
    c.SetURL("http://a/cgi");
    c.StartRequest(rqPost);
    for (const char* line : {"POST /cgi HTTP/1.0\r\n", "POST /other HTTP/1.0\r\n"}) {
        c.sent.clear();
        c.Establish();
        c.SendComplete();
        EXPECT_EQ(c.sent.rfind(line, 0), 0u) << c.sent;
        EXPECT_NE(c.sent.find("\r\nContent-Length: 9\r\n\r\nT1=a&T2=b"), std::string::npos) << c.sent;
        c.Answer({"HTTP/1.0 302 Found\r\nLocation: /other\r\n\r\n"});
    }
}

TEST(HttpCliControl, NextRequestFromInsideOnRequestDone)
{
    LoggedHttpCli c;
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
