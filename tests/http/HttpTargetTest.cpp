#include "http/HttpTarget.h"

#include <gtest/gtest.h>

using namespace zuneigo;

namespace {
std::string Show(const HttpTarget& t)
{
    return t.connectHost + " " + t.connectPort + " " + t.originHost + " " + t.requestPath + " " + t.location;
}
} // namespace

TEST(HttpTarget, DirectOrThroughAProxy)
{
    struct Case {
        std::string url, proxy, proxyPort, want;
    };
    const Case cases[] = {
        {"http://www.example.org/kelto/kelto.txt", "", "80",
         "www.example.org 80 www.example.org /kelto/kelto.txt http://www.example.org/kelto/kelto.txt"},
        {"http://h:8080", "", "80", "h 8080 h / http://h:8080"},
        {"ftp://h/x?y=1", "", "80", "h 80 h /x?y=1 ftp://h/x?y=1"},
        // through a proxy the request carries the absolute address
        {"http://h/a", "proxy", "3128", "proxy 3128 h http://h/a http://h/a"},
        {"http://h:81/a", "proxy:8000", "3128", "proxy 8000 h http://h:81/a http://h:81/a"},
        // no path: the absolute address ends with the host, no "/"
        {"http://h", "http://u:p@proxy:9/", "3128", "proxy 9 h http://h http://h"}};
    for (const Case& k : cases)
        EXPECT_EQ(Show(DeriveHttpTarget(k.url, k.proxy, k.proxyPort)), k.want) << k.url << " via " << k.proxy;
    // a bare path gets the scheme "http"
    EXPECT_EQ(DeriveHttpTarget("h/x", "p", "1").requestPath, "http://h/x");
    const HttpTarget t = DeriveHttpTarget("http://joe:pw@h/", "", "80");
    EXPECT_EQ(t.user + "|" + t.pass, "joe|pw");
}

TEST(HttpTarget, RedirectChains)
{
    struct Chain {
        std::string url, proxy;
        std::vector<std::pair<std::string, std::string>> steps; // location, target after it
    };
    const Chain chains[] = {
        {"http://a:8080/dir/doc.htm?q=/x", "", {{"/other", "a 8080 a /other http://a:8080/other"}, {"http://b:81/p?q", "b 81 b /p?q http://b:81/p?q"},
                                                // no port in the new address means 80, not the previous connection's port
                                                {"http://c", "c 80 c / http://c"},
                                                // credentials in the location are not used
                                                {"http://u:p@d/x", "d 80 d /x http://d/x"}}},
        // a bare file name lies in the server's root
        {"http://a/dir/sub/doc.htm?x=/y/z", "", {{"file.txt", "a 80 a /file.txt http://a/file.txt"}}},
        {"http://a/dir/sub/doc.htm?x=/y/z", "", {{"more/file.txt", "a 80 a /dir/sub/more/file.txt http://a/dir/sub/more/file.txt"}, {"../up/./f?a=../b", "a 80 a /dir/sub/up/f?a=../b http://a/dir/sub/up/f?a=../b"}, {"../../../../x/", "a 80 a /x/ http://a/x/"}, {"./", "a 80 a /x/ http://a/x/"}}},
        // through a proxy the proxy stays
        {"http://a:81/d/x", "proxy:3128", {{"/y", "proxy 3128 a http://a:81/y http://a:81/y"}, {"https://b/z", "proxy 3128 b https://b/z https://b/z"}, {"w/v", "proxy 3128 b https://b/w/v https://b/w/v"}}}};
    for (const Chain& chain : chains) {
        HttpTarget t = DeriveHttpTarget(chain.url, chain.proxy, "80");
        for (const auto& [location, want] : chain.steps) {
            ASSERT_TRUE(ApplyHttpLocation(t, location, !chain.proxy.empty())) << chain.url << " -> " << location;
            EXPECT_EQ(Show(t), want) << chain.url << " -> " << location;
        }
    }
}

TEST(HttpTarget, LocationsThatAreNotFollowed)
{
    HttpTarget t = DeriveHttpTarget("http://a/x", "", "80");
    const std::string before = Show(t);
    for (const std::string& location : {std::string(), std::string("/a\rInjected: 1"), std::string("/a\0b", 4),
                                        std::string("http://:81/x")})
        EXPECT_FALSE(ApplyHttpLocation(t, location, false)) << location;
    EXPECT_EQ(Show(t), before);
}

TEST(HttpTarget, DocName)
{
    EXPECT_EQ(HttpDocName("http://h/kelto/kelto.txt"), "kelto.txt");
    EXPECT_EQ(HttpDocName("http://h/kelto/addkelto.cgi?T1=a&T2=b"), "addkelto.cgi");
    EXPECT_EQ(HttpDocName("http://h"), "document.htm");
    EXPECT_EQ(HttpDocName("http://h/"), "document.htm");
    EXPECT_EQ(HttpDocName("http://h/kelto/"), "kelto");
    // the last "/" is sought before the query is cut off
    EXPECT_EQ(HttpDocName("http://h/a/b.cgi?x=/y/z.txt"), "z.txt");
    EXPECT_EQ(HttpDocName("http://h/" + std::string(300, 'n')).size(), 255u);
}
