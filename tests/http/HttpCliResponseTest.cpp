// Reading the answer, with the transport played by the test: pieces arrive exactly as
// given, so every split of header and document can be forced.
#include "FedHttpCli.h"
#include "HttpFailure.h"

#include "base/Stream.h"
#include "http/HttpException.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

using namespace zuneigo;
using zuneigo::test::LoggedHttpCli;

namespace {

// A client with a started, connected GET.
struct Fixture {
    LoggedHttpCli c;
    TMemoryStream doc;

    explicit Fixture(const std::string& url = "http://h/dir/setup.exe")
    {
        c.SetURL(url);
        c.SetRcvdStream(&doc);
        c.StartRequest(rqGet);
        c.Establish();
        c.log.clear();
        c.sent.clear();
    }
    // The failure that ended the request, as "MESSAGE (CODE)".
    std::string Failure()
    {
        return zuneigo::test::HttpFailure([&] {
            if (c.Failure())
                std::rethrow_exception(c.Failure());
        });
    }
};

} // namespace

TEST(HttpCliResponse, OrdinaryAnswerEventOrder)
{
    Fixture f;
    f.c.Answer({"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nSet-Cookie: id=7; path=/\r\n\r\n", "abc", "def"});
    EXPECT_EQ(f.c.TakeLog(), "HeaderBegin|HeaderData|HeaderData|Cookie:id=7; path=/|HeaderData|hsWaitingBody|HeaderEnd|"
                             "DocBegin|DocData:abc|DocData:def|DocEnd|hsReady|Done:0|");
    EXPECT_EQ(f.c.StatusCode(), 200);
    EXPECT_EQ(f.c.ReasonPhrase(), "OK");
    EXPECT_EQ(f.doc.ToString(), "abcdef");
    EXPECT_EQ(f.c.ReceivedCount(), 6);
    EXPECT_EQ(f.c.ReceivedHeader(),
              (std::vector<std::string>{"HTTP/1.0 200 OK", "Content-Type: text/plain", "Set-Cookie: id=7; path=/"}));
    EXPECT_EQ(f.c.DocName(), "setup.exe");
}

TEST(HttpCliResponse, HeaderAndDocumentInOnePieceAndLineEndVariants)
{
    Fixture f;
    // bare LF accepted; a lone CR stays in the line; the document is not touched
    f.c.Answer({"HTTP/1.1 200 Fine\nX-A: a\rb\r\nContent-Length: 5\n\r\nl1\r\nl2\n\0z"s});
    EXPECT_EQ(f.c.StatusCode(), 200);
    EXPECT_EQ(f.c.ReceivedHeader()[1], "X-A: a\rb");
    EXPECT_EQ(f.c.ContentLength(), 5);
    EXPECT_EQ(f.doc.ToString(), "l1\r\nl2\n\0z"s);
    const std::string log = f.c.TakeLog();
    EXPECT_EQ(log.find("DocData:"), log.rfind("DocData:")); // one piece
}

TEST(HttpCliResponse, HeaderSplitAtEveryByte)
{
    const std::string answer = "HTTP/1.0 302 Found\r\nContent-Type: Text/HTML; charset=x\r\n\r\nbody\r\nmore";
    for (std::size_t cut = 1; cut < answer.size(); ++cut) {
        Fixture f;
        f.c.Answer({answer.substr(0, cut), answer.substr(cut)});
        ASSERT_EQ(f.doc.ToString(), "body\r\nmore") << cut;
        ASSERT_EQ(f.c.StatusCode(), 302);
        ASSERT_EQ(f.c.ContentType(), "text/html; charset=x");
    }
}

TEST(HttpCliResponse, StatusLineVariants)
{
    struct Case {
        std::string line;
        int status;
        std::string reason;
    };
    const Case cases[] = {
        {"HTTP/1.0 200 OK", 200, "OK"},
        {"HTTP/1.1 404 Not Found", 404, "Not Found"},
        {"HTTP/1.0 204", 204, ""},
        {"HTTP/1.2 200 OK", 0, "unchanged"}, // not a status line
        {"http/1.0 200 OK", 0, "unchanged"},
        {"HTTP/1.0 2x0 Bad", 0, "unchanged"}, // raises a conversion error, discarded
    };
    for (const Case& k : cases) {
        Fixture f;
        f.c.Answer({k.line + "\r\nX: y\r\n\r\nd"});
        EXPECT_EQ(f.c.StatusCode(), k.status) << k.line;
        if (k.reason != "unchanged") {
            EXPECT_EQ(f.c.ReasonPhrase(), k.reason) << k.line;
        }
    }
    Fixture f;
    f.c.Answer({"http/1.0 200: odd\r\n\r\n"});
    EXPECT_EQ(f.c.ReceivedHeader(), (std::vector<std::string>{"http/1.0 200: odd"}));
}

TEST(HttpCliResponse, HeaderFields)
{
    Fixture f;
    f.c.Answer({"HTTP/1.0 206 Partial\r\nContent-Range: bytes 100-199/1000\r\nAccept-Ranges: bytes\r\n"
                "WWW-Authenticate: Basic realm=\"a\"\r\nwww-authenticate:   Digest x\r\n"
                "Content-Length: 4000000000\r\nContent-Type:    \r\nNoColonHere\r\n\r\n"});
    EXPECT_EQ(f.c.ContentRangeBegin(), "100");
    EXPECT_EQ(f.c.ContentRangeEnd(), "199");
    EXPECT_EQ(f.c.AcceptRanges(), "bytes");
    EXPECT_EQ(f.c.AuthChallenges(), (std::vector<std::string>{"Basic realm=\"a\"", "Digest x"}));
    EXPECT_EQ(f.c.ContentLength(), 4000000000);
    EXPECT_EQ(f.c.ContentType(), " "); // blanks are skipped only up to the last character
    EXPECT_EQ(f.c.ReceivedHeader().back(), "NoColonHere");

    // the range comes back in the next request once, and the challenges accumulate
    f.c.StartRequest(rqGet);
    f.c.Establish();
    EXPECT_NE(f.c.sent.find("\r\nRange: bytes=100-199\r\n"), std::string::npos);
    EXPECT_EQ(f.c.AcceptRanges(), "");
    f.c.Answer({"HTTP/1.0 200 OK\r\nContent-Length: x\r\n\r\nok"});
    EXPECT_EQ(f.c.ContentLength(), -1);
    EXPECT_EQ(f.doc.ToString(), "ok");
    EXPECT_EQ(f.c.AuthChallenges().size(), 2u);
}

TEST(HttpCliResponse, DocumentWithoutHeaderIsDeliveredUnchanged)
{
    Fixture f("http://h/");
    f.c.Answer({"<html><body>\r\nline 2\r\n\r\nline 4", "\r\nlast\n"});
    EXPECT_EQ(f.doc.ToString(), "<html><body>\r\nline 2\r\n\r\nline 4\r\nlast\n");
    EXPECT_EQ(f.c.StatusCode(), 0);
    EXPECT_EQ(f.c.ContentType(), "text/html");
    EXPECT_TRUE(f.c.ReceivedHeader().empty());
    EXPECT_EQ(f.c.DocName(), "document.htm");
    EXPECT_EQ(f.c.TakeLog().substr(0, 41), "HeaderBegin|hsWaitingBody|HeaderEnd|DocBe");
}

TEST(HttpCliResponse, ExeBecomesHtmOnlyForExactlyTextHtml)
{
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"http://h/dir/setup.exe", "HTTP/1.0 200 OK\r\nContent-Type: TEXT/HTML\r\n\r\n", "setup.htm"},
        {"http://h/dir/setup.exe", "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n", "setup.exe"},
        // a header-less document never reaches the header's end
        {"http://h/a.EXE?x", "<HTML>", "a.EXE"}};
    for (const auto& [url, answer, name] : cases) {
        Fixture f(url);
        f.c.Answer({answer});
        EXPECT_EQ(f.c.DocName(), name) << answer;
    }
}

TEST(HttpCliResponse, ErrorStatusClosesAtOnceButHandlesWhatArrived)
{
    Fixture f;
    f.c.Answer({"HTTP/1.0 404 Not Found\r\nServer: x\r\n\r\nsorry"});
    EXPECT_EQ(f.c.StatusCode(), 404);
    EXPECT_EQ(f.c.ReasonPhrase(), "Not Found");
    EXPECT_EQ(f.c.ReceivedHeader().size(), 2u);
    EXPECT_EQ(f.doc.ToString(), "sorry");
    // the end step ran at the close right after the status line: no DocEnd
    EXPECT_EQ(f.c.TakeLog(),
              "HeaderBegin|HeaderData|HeaderData|hsWaitingBody|HeaderEnd|DocBegin|DocData:sorry|hsReady|Done:0|");

    Fixture early; // closed before the status line was complete
    early.c.Answer({"HTTP/1.0 2"});
    EXPECT_EQ(early.c.StatusCode(), 0);
    EXPECT_EQ(early.doc.Size(), 0);
    EXPECT_EQ(early.c.TakeLog(), "hsReady|Done:0|");
}

TEST(HttpCliResponse, ZeroByteAndOverlongLinesEndTheRequestAsFailure)
{
    Fixture f;
    f.c.PeerSends("HTTP/1.0 200 OK\r\nX: " + std::string(8200, 'x') + "\r\n\r\ndoc");
    // the request ended by itself, without waiting for the server to close
    EXPECT_FALSE(f.c.open);
    f.c.Pump();
    EXPECT_EQ(f.c.RequestState(), hsReady);
    EXPECT_EQ(f.c.StatusCode(), 200);
    EXPECT_EQ(f.Failure(), "HTTP line too long (4)");
    EXPECT_EQ(f.doc.Size(), 0);

    // a line of exactly 8192 bytes plus its end still fits... only without the CR LF
    Fixture fits;
    fits.c.Answer({"HTTP/1.0 200 OK\r\nX: " + std::string(8192 - 4, 'x') + "\n\r\nok"});
    EXPECT_EQ(fits.Failure(), "");
    EXPECT_EQ(fits.doc.ToString(), "ok");

    Fixture zero;
    zero.c.PeerSends("HTTP/1.0 200 OK\r\nX\0y\r\n\r\n"s);
    EXPECT_TRUE(zero.c.open); // the line end behind the zero byte is not seen
    zero.c.PeerSends(std::string(8192, 'z'));
    EXPECT_FALSE(zero.c.open);
    zero.c.Pump();
    EXPECT_EQ(zero.Failure(), "HTTP line too long (4)");
}

TEST(HttpCliResponse, DocumentThatCannotBeStoredFailsTheRequest)
{
    class Full : public TMemoryStream {
    public:
        std::size_t Write(const void*, std::size_t) override { return 0; }
    } full;
    LoggedHttpCli c;
    c.SetURL("http://h/");
    c.SetRcvdStream(&full);
    c.StartRequest(rqGet);
    c.Establish();
    c.PeerSends("HTTP/1.0 200 OK\r\n\r\nabc");
    EXPECT_FALSE(c.open);
    c.Pump();
    EXPECT_EQ(c.RequestState(), hsReady);
    EXPECT_THROW(std::rethrow_exception(c.Failure()), EWriteError);
}

TEST(HttpCliResponse, DocumentPiecesFollowTheReadsNotTheContent)
{
    Fixture f;
    std::vector<int> pieces;
    f.c.OnDocData = [&](TCustomHttpCli&, const char*, int len) { pieces.push_back(len); };
    std::string body(200000, 'b');
    body[70000] = '\n';
    f.c.PeerSends("HTTP/1.0 200 OK\r\n\r\n" + std::string(10, 'a'));
    f.c.PeerSends(body);
    f.c.PeerCloses();
    // the bytes behind the header come first, then reads of up to 64 KiB each
    EXPECT_EQ(pieces, (std::vector<int>{10, 65536, 65536, 65536, 3392}));
    EXPECT_EQ(f.doc.ToString(), std::string(10, 'a') + body);
}
