// What the client puts on the wire, and the request control around it, with the
// transport played by the test.
#include "FedHttpCli.h"
#include "HttpFailure.h"

#include "base/Stream.h"
#include "http/HttpException.h"

#include <gtest/gtest.h>

using namespace zuneigo;
using namespace zuneigo::test;

namespace {
const std::string DefaultAccept = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
const std::string DefaultAgent = "User-Agent: Mozilla/3.0 (compatible)\r\n";

std::string SentFor(FedHttpCli& c, THttpRequest rq = rqGet)
{
    c.StartRequest(rq);
    c.Establish();
    return c.sent;
}

// "begin", the length of every piece sent, "end"; the log lives as long as the client's handlers.
const std::vector<std::string>& LogSending(FedHttpCli& c)
{
    auto events = std::make_shared<std::vector<std::string>>();
    c.OnSendBegin = [events](TCustomHttpCli&) { events->push_back("begin"); };
    c.OnSendData = [events](TCustomHttpCli&, const char*, int len) { events->push_back(std::to_string(len)); };
    c.OnSendEnd = [events](TCustomHttpCli&) { events->push_back("end"); };
    return *events;
}
} // namespace

TEST(HttpCliRequest, DefaultsAtConstruction)
{
    // (the default header lines show in the requests below)
    FedHttpCli c;
    EXPECT_EQ(c.ProxyPort(), "80");
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_EQ(c.RequestType(), rqNone);
}

TEST(HttpCliRequest, EveryOptionalLineInItsOrder)
{
    FedHttpCli c;
    c.SetURL("http://h:8080/p?q=1");
    c.SetProxy("px:1");
    c.SetSender("me@example.org");
    c.SetReference("http://ref/");
    c.SetNoCache(true);
    c.SetModifiedSince(EncodeDateTime(2001, 8, 25, 14, 5, 9, 999));
    c.SetUsername("u");
    c.SetProxyUsername("pu");
    c.SetProxyPassword("pp");
    c.SetCookie("a=1; b=2");
    c.SetContentRangeBegin("100");
    EXPECT_EQ(SentFor(c, rqHead), "HEAD http://h:8080/p?q=1 HTTP/1.0\r\nFrom: me@example.org\r\n" + DefaultAccept + "Referer: http://ref/\r\n" + DefaultAgent + "Host: h\r\nPragma: no-cache\r\nIf-Modified-Since: Sat, 25 Aug 2001 14:05:09 GMT\r\n"
                                                                                                                                                                "Authorization: Basic dTo=\r\nProxy-Authorization: Basic cHU6cHA=\r\n"
                                                                                                                                                                "Cookie: a=1; b=2\r\nRange: bytes=100-\r\n\r\n");
    EXPECT_EQ(c.ContentRangeBegin(), "");
    EXPECT_EQ(c.ContentRangeEnd(), "");
}

TEST(HttpCliRequest, LinesLeftOutWhenTheirConditionFails)
{
    FedHttpCli c;
    c.SetURL("http://h");
    c.SetAccept("");
    c.SetAgent("");
    c.SetPassword("only-a-password");
    c.SetProxyUsername("no-proxy-so-no-line");
    c.SetContentTypePost("text/plain");
    c.SetContentRangeEnd("99");
    EXPECT_EQ(SentFor(c), "GET / HTTP/1.0\r\nHost: h\r\nRange: bytes=-99\r\n\r\n");
}

TEST(HttpCliRequest, CredentialsInTheAddressReplaceTheProperties)
{
    FedHttpCli c;
    c.SetUsername("old");
    c.SetPassword("old");
    c.SetURL("http://joe:s:e:c@h/");
    SentFor(c);
    EXPECT_NE(c.sent.find("Authorization: Basic am9lOnM6ZTpj\r\n"), std::string::npos);
    c.Answer({});
    // they stay for the next request
    EXPECT_EQ(c.Username(), "joe");
    EXPECT_EQ(c.Password(), "s:e:c");
    c.sent.clear();
    c.SetURL("http://h/");
    SentFor(c);
    EXPECT_NE(c.sent.find("Authorization: Basic am9lOnM6ZTpj\r\n"), std::string::npos);
}

TEST(HttpCliRequest, OnCommandSeesEveryLineAndMayChangeOrEmptyIt)
{
    FedHttpCli c;
    c.SetURL("http://h/x");
    std::vector<std::string> seen;
    c.OnCommand = [&](TCustomHttpCli&, std::string& s) {
        seen.push_back(s);
        if (s.rfind("User-Agent:", 0) == 0)
            s = "User-Agent: Zuneigo";
        else if (s.rfind("Accept:", 0) == 0)
            s.clear();
    };
    std::vector<std::string> order;
    c.OnRequestHeaderBegin = [&](TCustomHttpCli&) { order.push_back("begin"); };
    c.OnRequestHeaderEnd = [&](TCustomHttpCli&) { order.push_back("end:" + std::to_string(seen.size())); };
    // an emptied line is a bare line end: on the wire the header ends there
    EXPECT_EQ(SentFor(c), "GET /x HTTP/1.0\r\n\r\nUser-Agent: Zuneigo\r\nHost: h\r\n\r\n");
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen.back(), "");
    EXPECT_EQ(order, (std::vector<std::string>{"begin", "end:4"}));
}

TEST(HttpCliRequest, PostBodyInChunksPacedBySendCompletion)
{
    FedHttpCli c;
    c.SetURL("http://h/cgi");
    TMemoryStream body;
    std::string data(20000, 'x');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>('a' + i % 26);
    body.WriteString(data);
    body.SetPosition(100); // the body starts here, and the length says so
    c.SetSendStream(&body);
    const std::vector<std::string>& events = LogSending(c);
    c.StartRequest(rqPost);
    c.Establish();
    const std::string header = "POST /cgi HTTP/1.0\r\n" + DefaultAccept +
        "Content-Type: application/x-www-form-urlencoded\r\n" + DefaultAgent +
        "Host: h\r\nContent-Length: 19900\r\n\r\n";
    // the header and one chunk wait in the socket, no more
    EXPECT_EQ(c.sent, header + data.substr(100, 8193));
    c.SendComplete();
    c.SendComplete();
    c.SendComplete();
    c.SendComplete(); // nothing is sending any more
    EXPECT_EQ(c.sent, header + data.substr(100));
    EXPECT_EQ(c.SentCount(), 19900);
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "8193", "8193", "3514", "end"}));
}

TEST(HttpCliRequest, EmptyPostAndGetIgnoringTheSendStream)
{
    FedHttpCli c;
    c.SetURL("http://h/");
    TMemoryStream empty;
    c.SetSendStream(&empty);
    const std::vector<std::string>& events = LogSending(c);
    SentFor(c, rqPost);
    EXPECT_NE(c.sent.find("\r\nContent-Length: 0\r\n"), std::string::npos);
    EXPECT_EQ(events, (std::vector<std::string>{"begin", "end"}));
    c.Answer({});

    c.sent.clear();
    c.SendComplete();
    SentFor(c, rqGet);
    c.SendComplete();
    EXPECT_EQ(c.sent.find("Content-"), std::string::npos);
    EXPECT_EQ(events.size(), 2u);
}

TEST(HttpCliRequest, RefusalsChangeNothing)
{
    FedHttpCli c;
    c.SetURL("http://h/");
    EXPECT_EQ(HttpFailure([&] { c.RunRequest(rqPost); }), "HTTP component has nothing to post (2)");
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_TRUE(c.lookups.empty());

    TMemoryStream first;
    c.SetRcvdStream(&first);
    c.StartRequest(rqGet);
    c.LookupDone(0);
    c.SetURL("http://other/");
    TMemoryStream second;
    c.SetRcvdStream(&second);
    EXPECT_EQ(HttpFailure([&] { c.Get(); }), "HTTP component is busy (1)");
    c.Connected();
    EXPECT_EQ(c.sent.substr(0, 20), "GET / HTTP/1.0\r\nAcce");
    c.Answer({"HTTP/1.0 200 OK\r\n\r\nbody"});
    // the running request keeps the stream it was started with
    EXPECT_EQ(first.ToString(), "body");
    EXPECT_EQ(second.Size(), 0);
    EXPECT_EQ(c.Target().connectHost, "h");
    EXPECT_EQ(c.lookups.size(), 1u);
}

TEST(HttpCliRequest, ExceptionWhileComposingClosesAndEndsQuietly)
{
    FedHttpCli c;
    c.SetURL("http://h/");
    c.OnCommand = [](TCustomHttpCli&, std::string& s) {
        if (s.rfind("Host:", 0) == 0)
            throw Exception("no");
    };
    int done = 0;
    c.OnRequestDone = [&](TCustomHttpCli&, THttpRequest rq, std::uint16_t err) {
        ++done;
        EXPECT_EQ(rq, rqGet);
        EXPECT_EQ(err, 0);
    };
    c.StartRequest(rqGet);
    c.Establish();
    EXPECT_TRUE(c.sent.empty());
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_EQ(c.StatusCode(), 0);
    EXPECT_EQ(done, 1);
}
