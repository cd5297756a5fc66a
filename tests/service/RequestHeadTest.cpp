// Reading request heads, targets, submissions and credentials: tables of good and bad input.
#include "service/RequestHead.h"

#include <gtest/gtest.h>

using namespace zuneigo;
using namespace zuneigo::service;

namespace {

// Feeds the lines of a head (each with its line end); the last status.
int Feed(TRequestReader& r, const std::string& text)
{
    int status = 0;
    std::size_t start = 0;
    while (status == 0 && start < text.size()) {
        const auto lf = text.find('\n', start);
        const auto end = lf == std::string::npos ? text.size() : lf + 1;
        status = r.AddLine(std::string_view(text).substr(start, end - start));
        start = end;
    }
    return status;
}

const std::string Full = "T1=Anna&T2=0&T3=1&T4=30&T5=170&T6=60&T7=0&T8=blond&T9=blau&T10=Kino&T11=Hallo&T12=a%40b&T13=10&T14=20";

} // namespace

TEST(RequestHead, StatusOfHeads)
{
    struct Case {
        std::string head;
        int status;
        std::string path;
        std::string query;
    };
    const std::string big(MaxHeaderBytes, 'a');
    const Case cases[] = {
        {"GET / HTTP/1.0\r\n\r\n", 200, "/", ""},
        {"HEAD /kelto/kelto.txt HTTP/1.1\nHost: x\n\n", 200, "/kelto/kelto.txt", ""},
        {"GET http://localhost:8080/kelto/addkelto.cgi?T1=a HTTP/1.0\r\n\r\n", 200, "/kelto/addkelto.cgi", "T1=a"},
        {"GET HTTP://h HTTP/1.0\r\n\r\n", 200, "/", ""},
        {"DELETE / HTTP/1.0\r\n\r\n", 200, "/", ""}, // the method is judged later (405)
        {"GET / HTTP/1.0\r\nX-Empty:\r\n\r\n", 200, "/", ""},
        {"GET /\r\n\r\n", 400, "", ""},
        {"GET  / HTTP/1.0\r\n\r\n", 400, "", ""},
        {"GET / HTTP/1.0 \r\n\r\n", 400, "", ""},
        {"G(T / HTTP/1.0\r\n\r\n", 400, "", ""},
        {"GET kelto.txt HTTP/1.0\r\n\r\n", 400, "", ""},
        {"GET http://user@h/ HTTP/1.0\r\n\r\n", 400, "", ""},
        {"GET http:/// HTTP/1.0\r\n\r\n", 400, "", ""},
        {"GET /a\x01 HTTP/1.0\r\n\r\n", 400, "", ""},
        {"GET / HTTQ/1.0\r\n\r\n", 400, "", ""},
        {"GET / HTTP/2.0\r\n\r\n", 505, "", ""},
        {"GET / HTTP/1.0\r\nNo colon\r\n\r\n", 400, "", ""},
        {"GET / HTTP/1.0\r\nA: b\r\n folded\r\n\r\n", 400, "", ""},
        {"GET / HTTP/1.0\r\nBad Name: b\r\n\r\n", 400, "", ""},
        {"GET / HTTP/1.0\r\nA: b\rc\r\n\r\n", 400, "", ""},
        {"GET / HTTP/1.0\r\nAuthorization: a\r\nauthorization: b\r\n\r\n", 400, "", ""},
        {"GET /" + std::string(MaxRequestLine, 'x') + " HTTP/1.0\r\n\r\n", 414, "", ""},
        {"GET / HTTP/1.0\r\nX: " + big + "\r\n\r\n", 431, "", ""}};
    for (const Case& c : cases) {
        TRequestReader r;
        EXPECT_EQ(Feed(r, c.head), c.status) << c.head.substr(0, 60);
        if (c.status == 200) {
            EXPECT_EQ(r.Head().path, c.path);
            EXPECT_EQ(r.Head().query, c.query);
        }
    }
}

TEST(RequestHead, PendingBytesOfAnUnendedLineAreLimited)
{
    TRequestReader r;
    EXPECT_EQ(r.CheckPending(MaxRequestLine), 0);
    EXPECT_EQ(r.CheckPending(MaxRequestLine + 1), 414);
    ASSERT_EQ(r.AddLine("GET / HTTP/1.0\r\n"), 0);
    ASSERT_EQ(r.AddLine("A: 1234\r\n"), 0);
    EXPECT_EQ(r.CheckPending(MaxHeaderBytes - 9), 0);
    EXPECT_EQ(r.CheckPending(MaxHeaderBytes - 8), 431);
}

TEST(RequestHead, RoutesMatchOnlyTheServicePaths)
{
    struct Case {
        const char* path;
        Route route;
        bool credentials;
    };
    const Case cases[] = {
        {"/", Route::Home, false},
        {"/kelto/kelto.txt", Route::Database, true},
        {"/kelto/addkelto.cgi", Route::Submit, true},
        {"/kelto/../kelto/kelto.txt", Route::NotFound, true},
        {"/kelto/%2e%2e/etc/passwd", Route::NotFound, true},
        {"/kelto%2Fkelto.txt", Route::NotFound, false},
        {"/kelto/kelto%2Etxt", Route::NotFound, true},
        {"/KELTO/kelto.txt", Route::NotFound, false},
        {"/kelto/kelto.txt/", Route::NotFound, true},
        {"//kelto/kelto.txt", Route::NotFound, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(FindRoute(c.path), c.route) << c.path;
        EXPECT_EQ(NeedsCredentials(c.path), c.credentials) << c.path;
    }
}

TEST(RequestHead, SubmissionsNeedEveryKeyOnceAndClean)
{
    struct Case {
        std::string query;
        bool ok;
    };
    const Case cases[] = {
        {Full, true},
        {"T14=20&T13=10&T12=a%40b&T11=Hallo&T10=Kino&T9=blau&T8=blond&T7=0&T6=60&T5=170&T4=30&T3=1&T2=0&T1=Anna", true},
        {Full.substr(0, Full.rfind("&T14")), false},    // T14 missing
        {Full + "&T1=again", false},                    // repeated
        {Full + "&T15=x", false},                       // unknown key
        {Full + "&", false},                            // empty pair
        {"T01=x" + Full.substr(Full.find('&')), false}, // not exactly "T1"
        {"T1" + Full.substr(Full.find('&')), false},    // no "="
        {"T1=%0D" + Full.substr(Full.find('&')), false},
        {"T1=%0a" + Full.substr(Full.find('&')), false},
        {"T1=%00" + Full.substr(Full.find('&')), false},
        {"T1=%4" + Full.substr(Full.find('&')), false},
        {"T1=%G0" + Full.substr(Full.find('&')), false},
        {"T1=%" + Full.substr(Full.find('&')), false},
        {"", false}};
    for (const Case& c : cases) {
        std::array<std::string, AdFieldCount> values;
        EXPECT_EQ(ParseSubmission(c.query, values), c.ok) << c.query;
    }
    std::array<std::string, AdFieldCount> values;
    ASSERT_TRUE(ParseSubmission("T1=M%FCller+%2B+Co&" + Full.substr(Full.find('&') + 1), values));
    EXPECT_EQ(values[0], "M\xFCller + Co");
    EXPECT_EQ(values[11], "a@b");
    EXPECT_EQ(values[13], "20");
}

TEST(RequestHead, BasicCredentials)
{
    struct Case {
        const char* value;
        bool ok;
    };
    const Case cases[] = {
        {"Basic bm9tZW46c2VjcmV0", true}, // nomen:secret
        {"basic   bm9tZW46c2VjcmV0", true},
        {"Basic bm9tZW46c2VjcmV1", false},     // nomen:secreu
        {"Basic bm9tZW46c2VjcmV0eA==", false}, // nomen:secretx
        {"Basic bm9tZW4=", false},             // no colon
        {"Basic bm9tZW46c2VjcmV0=", false},    // bad length
        {"Basic bm9t=W46c2VjcmV0", false},     // padding inside
        {"Bearer bm9tZW46c2VjcmV0", false},
        {"", false}};
    for (const Case& c : cases)
        EXPECT_EQ(CheckBasicCredentials(c.value, "nomen", "secret"), c.ok) << c.value;
}

TEST(RequestHead, BytesFedInAnyPiecesAreCutIntoTheSameLines)
{
    struct Case {
        std::string bytes;
        int status;
        std::size_t used; // of the whole bytes fed at once
    };
    const Case cases[] = {
        {"GET / HTTP/1.0\r\n\r\nbehind", 200, 18},
        {"GET / HTTP/1.1\nHost: a\n\n", 200, 24},
        {"GET / HTTP/1.0\rHost: a\r\r", 400, 0},
        {"GET / HTTP/1.0\r\nA: b\r\r\n", 400, 0},
        {"GET / HTTP/1.0\r", 0, 15}, // the LF may still come
        {"GET /" + std::string(MaxRequestLine, 'x'), 414, 0},
    };
    for (const Case& c : cases) {
        for (std::size_t piece : {c.bytes.size(), std::size_t{1}, std::size_t{7}}) {
            TRequestReader r;
            int status = 0;
            std::size_t used = 0;
            for (std::size_t at = 0; status == 0 && at < c.bytes.size(); at += piece)
                status = r.Feed(std::string_view(c.bytes).substr(at, piece), &used);
            EXPECT_EQ(status, c.status) << c.bytes.substr(0, 40) << " in pieces of " << piece;
            if (piece == c.bytes.size() && c.status != 400 && c.status != 414) {
                EXPECT_EQ(used, c.used) << c.bytes;
            }
        }
    }
}
