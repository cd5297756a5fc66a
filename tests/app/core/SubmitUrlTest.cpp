#include "app/core/ServiceSettings.h"
#include "app/core/SubmitUrl.h"

#include <gtest/gtest.h>

using namespace zuneigo;

TEST(EncodeQueryValue, KeepsOnlyLettersAndDigits)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"AZaz09", "AZaz09"}, {"kurz, dunkles rot", "kurz%2C+dunkles+rot"}, {"Programmieren, Kino, Musik h\xF6ren", "Programmieren%2C+Kino%2C+Musik+h%F6ren"}, {"Suche nettes M\344dchen", "Suche+nettes+M%E4dchen"}, {"a.b@c.de", "a%2Eb%40c%2Ede"}, {"-4", "%2D4"}, {"1+1", "1%2B1"}, {"_*%&=/?#", "%5F%2A%25%26%3D%2F%3F%23"}, {"\xFC\xDF\xC4", "%FC%DF%C4"}, {std::string("\x00\x0A\x7F\x80\xFF", 5), "%00%0A%7F%80%FF"}, {"  ", "++"}};
    for (const auto& [text, encoded] : cases)
        EXPECT_EQ(EncodeQueryValue(text), encoded) << text;
}

TEST(EncodeQueryValue, EveryByteRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string encoded = EncodeQueryValue(all);
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '+') {
            decoded += ' ';
        } else if (encoded[i] == '%') {
            decoded += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += encoded[i];
        }
    }
    EXPECT_EQ(decoded, all);
    EXPECT_EQ(encoded.size(), 62 + 1 + 193 * 3u);
}

TEST(SubmitUrl, DefaultsInKeyOrder)
{
    const AdValues values = {"Jonas", FlagText(true), FlagText(false), "20", "185", "79", FlagText(false),
                             "kurz, dunkles rot", "blau", "Programmieren, Kino, Musik h\xF6ren",
                             "Suche nettes M\344dchen", "jonas@example.org", "136", "120"};
    EXPECT_EQ(BuildSubmitUrl("http://host/kelto/addkelto.cgi?T1=", values),
              "http://host/kelto/addkelto.cgi?T1=Jonas&T2=1&T3=0&T4=20&T5=185&T6=79&T7=0"
              "&T8=kurz%2C+dunkles+rot&T9=blau&T10=Programmieren%2C+Kino%2C+Musik+h%F6ren"
              "&T11=Suche+nettes+M%E4dchen&T12=jonas%40example%2Eorg&T13=136&T14=120");
}

TEST(SubmitUrl, EmptyAndNegativeValues)
{
    AdValues values;
    values.fill("");
    values[0] = "Max Mustermann";
    values[12] = "-4";
    values[13] = "-4";
    EXPECT_EQ(BuildSubmitUrl(SubmitUrlPrefix(), values),
              SubmitUrlPrefix() + "Max+Mustermann&T2=&T3=&T4=&T5=&T6=&T7=&T8=&T9=&T10=&T11=&T12=&T13=%2D4&T14=%2D4");
}

TEST(SubmitUrl, LineBreaksAreSentAsOneBlankEach)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Zeile1\r\nZeile2", "Zeile1+Zeile2"}, {"a\rb", "a+b"}, {"a\nb", "a+b"}, {"a\n\rb", "a++b"}, {"\r\n\r\n", "++"}, {"a\r", "a+"}, {"\r\r\n", "++"}};
    for (const auto& [text, sent] : cases) {
        AdValues values;
        values.fill(text);
        const std::string url = BuildSubmitUrl("?T1=", values);
        EXPECT_EQ(url.substr(0, url.find('&')), "?T1=" + sent) << text;
        EXPECT_EQ(url.find("%0D"), std::string::npos);
        EXPECT_EQ(url.find("%0A"), std::string::npos);
    }
}

TEST(ServiceSettings, UrlsAndCredentials)
{
    const std::string host = ServiceHost();
    ASSERT_FALSE(host.empty());
    EXPECT_EQ(DatabaseUrl(), "http://" + host + "/kelto/kelto.txt");
    EXPECT_EQ(SubmitUrlPrefix(), "http://" + host + "/kelto/addkelto.cgi?T1=");
    EXPECT_EQ(HomepageUrl(), "http://" + host + "/");
    EXPECT_STREQ(ServiceUsername, "nomen");
    const std::string password = ServicePassword();
    ASSERT_EQ(password.size(), 7u);
    for (char c : password)
        EXPECT_TRUE(c >= 'a' && c <= 'z') << password;
}
