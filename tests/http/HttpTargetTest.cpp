#include "http/HttpTarget.h"

#include <gtest/gtest.h>

using namespace zuneigo;

namespace {
std::string Show(const HttpTarget& t)
{
    return t.connectHost + " " + t.connectPort + " " + t.originHost + " " + t.requestPath + " " + t.location;
}
} // namespace

TEST(HttpTarget, DirectConnectionUsesTheAddressesHostAndPort)
{
    EXPECT_EQ(Show(DeriveHttpTarget("http://www.example.org/kelto/kelto.txt", "", "80")),
              "www.example.org 80 www.example.org /kelto/kelto.txt http://www.example.org/kelto/kelto.txt");
    EXPECT_EQ(Show(DeriveHttpTarget("http://h:8080", "", "80")), "h 8080 h / http://h:8080");
    EXPECT_EQ(Show(DeriveHttpTarget("ftp://h/x?y=1", "", "80")), "h 80 h /x?y=1 ftp://h/x?y=1");
    const HttpTarget t = DeriveHttpTarget("http://joe:pw@h/", "", "80");
    EXPECT_EQ(t.user + "|" + t.pass, "joe|pw");
}

TEST(HttpTarget, ThroughAProxyTheRequestCarriesTheAbsoluteAddress)
{
    EXPECT_EQ(Show(DeriveHttpTarget("http://h/a", "proxy", "3128")), "proxy 3128 h http://h/a http://h/a");
    EXPECT_EQ(Show(DeriveHttpTarget("http://h:81/a", "proxy:8000", "3128")), "proxy 8000 h http://h:81/a http://h:81/a");
    // no path: the absolute address ends with the host, no "/"
    EXPECT_EQ(Show(DeriveHttpTarget("http://h", "http://u:p@proxy:9/", "3128")), "proxy 9 h http://h http://h");
    // a bare path gets the scheme "http"
    EXPECT_EQ(DeriveHttpTarget("h/x", "p", "1").requestPath, "http://h/x");
}

TEST(HttpTarget, DirectRedirects)
{
    HttpTarget t = DeriveHttpTarget("http://a:8080/dir/doc.htm?q=/x", "", "80");
    ASSERT_TRUE(ApplyHttpLocation(t, "/other", false));
    EXPECT_EQ(Show(t), "a 8080 a /other http://a:8080/other");

    ASSERT_TRUE(ApplyHttpLocation(t, "http://b:81/p?q", false));
    EXPECT_EQ(Show(t), "b 81 b /p?q http://b:81/p?q");
    // no port in the new address means port 80, not the previous connection's port
    ASSERT_TRUE(ApplyHttpLocation(t, "http://c", false));
    EXPECT_EQ(Show(t), "c 80 c / http://c");
    // credentials in the location are not used
    ASSERT_TRUE(ApplyHttpLocation(t, "http://u:p@d/x", false));
    EXPECT_EQ(Show(t), "d 80 d /x http://d/x");
}

TEST(HttpTarget, RelativeRedirects)
{
    HttpTarget t = DeriveHttpTarget("http://a/dir/sub/doc.htm?x=/y/z", "", "80");
    // a bare file name lies in the server's root
    ASSERT_TRUE(ApplyHttpLocation(t, "file.txt", false));
    EXPECT_EQ(Show(t), "a 80 a /file.txt http://a/file.txt");

    t = DeriveHttpTarget("http://a/dir/sub/doc.htm?x=/y/z", "", "80");
    ASSERT_TRUE(ApplyHttpLocation(t, "more/file.txt", false));
    EXPECT_EQ(t.requestPath, "/dir/sub/more/file.txt");
    ASSERT_TRUE(ApplyHttpLocation(t, "../up/./f?a=../b", false));
    EXPECT_EQ(t.requestPath, "/dir/sub/up/f?a=../b");
    ASSERT_TRUE(ApplyHttpLocation(t, "../../../../x/", false));
    EXPECT_EQ(t.requestPath, "/x/");
    ASSERT_TRUE(ApplyHttpLocation(t, "./", false));
    EXPECT_EQ(t.requestPath, "/x/");
}

TEST(HttpTarget, RedirectsThroughAProxyKeepTheProxy)
{
    HttpTarget t = DeriveHttpTarget("http://a:81/d/x", "proxy:3128", "80");
    ASSERT_TRUE(ApplyHttpLocation(t, "/y", true));
    EXPECT_EQ(Show(t), "proxy 3128 a http://a:81/y http://a:81/y");
    ASSERT_TRUE(ApplyHttpLocation(t, "https://b/z", true));
    EXPECT_EQ(Show(t), "proxy 3128 b https://b/z https://b/z");
    ASSERT_TRUE(ApplyHttpLocation(t, "w/v", true));
    EXPECT_EQ(Show(t), "proxy 3128 b https://b/w/v https://b/w/v");
}

TEST(HttpTarget, LocationsThatAreNotFollowed)
{
    HttpTarget t = DeriveHttpTarget("http://a/x", "", "80");
    const std::string before = Show(t);
    EXPECT_FALSE(ApplyHttpLocation(t, "", false));
    EXPECT_FALSE(ApplyHttpLocation(t, "/a\rInjected: 1", false));
    EXPECT_FALSE(ApplyHttpLocation(t, std::string("/a\0b", 4), false));
    EXPECT_FALSE(ApplyHttpLocation(t, "http://:81/x", false));
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
