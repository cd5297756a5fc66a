#include "FetchOptions.h"

#include "base/StringUtil.h"

#include <cstdio>
#include <cstdlib>

namespace zuneigo::fetch {

const char* const FetchHelp =
    "Usage: zuneigo-fetch [options] URL\n"
    "Fetches one document over HTTP/1.0 with Zuneigo's HTTP client.\n"
    "\n"
    "  -o FILE                write the document to FILE (default: standard output)\n"
    "  -X GET|HEAD|POST       request method (default GET)\n"
    "  --data-file FILE       POST the contents of FILE (implies -X POST)\n"
    "  --content-type TYPE    Content-Type of a POST\n"
    "                         (default application/x-www-form-urlencoded)\n"
    "  --proxy PROXY          HTTP proxy: HOST or HOST:PORT\n"
    "  --proxy-port PORT      proxy port when PROXY names none (default 80)\n"
    "  --proxy-user USER:PASSWORD   proxy credentials (Basic)\n"
    "  -u USER:PASSWORD       server credentials (Basic)\n"
    "  --agent TEXT           User-Agent (default \"Mozilla/3.0 (compatible)\")\n"
    "  --accept TEXT          Accept list\n"
    "  --referer URL          Referer\n"
    "  --from ADDRESS         From\n"
    "  --cookie TEXT          Cookie\n"
    "  --no-cache             send \"Pragma: no-cache\"\n"
    "  --range BEGIN-END      ask for a byte range (either end may be left empty)\n"
    "  --if-modified-since \"YYYY-MM-DD HH:MM:SS\"   only if changed since then (UTC)\n"
    "  --socks HOST:PORT      connect through a SOCKS server\n"
    "  --socks-level 4|4A|5   SOCKS version (default 5)\n"
    "  --socks-user USER:PASSWORD   SOCKS 5 user name and password (SOCKS 4: user only)\n"
    "  --max-time SECONDS     give up when the whole transfer takes longer\n"
    "  -i                     print the received header lines and \"status: CODE REASON\"\n"
    "                         to standard error\n"
    "  -v                     also print every state change and event as it happens\n"
    "  -s, --silent           no progress meter\n"
    "  --help                 show this text\n"
    "\n"
    "Values given on the command line may not contain CR, LF or NUL.\n"
    "Exit status: 0 status below 400; 1 HTTP failure (\"zuneigo-fetch: MESSAGE (CODE)\"\n"
    "on standard error), no answer, a document shorter than its Content-Length or\n"
    "--max-time passed; 2 usage error; 3 any other failure (for example a --data-file\n"
    "that cannot be read).\n"
    "\n"
    "While the document goes to a file or a pipe and standard error is a terminal, a\n"
    "progress meter there shows the bytes received, the rate and the time left (not with -v).\n";

namespace {

void CheckText(const std::string& option, const std::string& value)
{
    for (char c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            throw UsageError{option + ": value contains CR, LF or NUL"};
}

void SplitCredentials(const std::string& option, const std::string& value, std::optional<std::string>& user,
                      std::optional<std::string>& pass)
{
    const std::size_t colon = value.find(':');
    if (colon == std::string::npos)
        throw UsageError{option + ": expected USER:PASSWORD"};
    user = value.substr(0, colon);
    pass = value.substr(colon + 1);
}

TDateTime ParseUtc(const std::string& text)
{
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6 || y < 1900 ||
        mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
        throw UsageError{"--if-modified-since: expected \"YYYY-MM-DD HH:MM:SS\""};
    return EncodeDateTime(y, mo, d, h, mi, s);
}

void SplitHostPort(const std::string& option, const std::string& value, std::string& host, std::string& port)
{
    const std::size_t colon = value.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == value.size())
        throw UsageError{option + ": expected HOST:PORT"};
    host = value.substr(0, colon);
    port = value.substr(colon + 1);
}

} // namespace

FetchOptions ParseFetchOptions(const std::vector<std::string>& args)
{
    FetchOptions o;
    bool methodGiven = false;
    std::optional<std::string> socksUser, socksPass;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw UsageError{a + ": missing value"};
            const std::string& v = args[++i];
            CheckText(a, v);
            return v;
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "-o") {
            o.output = value();
        } else if (a == "-X") {
            o.method = value();
            methodGiven = true;
            if (o.method != "GET" && o.method != "HEAD" && o.method != "POST")
                throw UsageError{"-X: expected GET, HEAD or POST"};
        } else if (a == "--data-file") {
            o.dataFile = value();
        } else if (a == "--content-type") {
            o.contentType = value();
        } else if (a == "--proxy") {
            o.proxy = value();
        } else if (a == "--proxy-port") {
            o.proxyPort = value();
        } else if (a == "--proxy-user") {
            SplitCredentials(a, value(), o.proxyUser, o.proxyPass);
        } else if (a == "-u") {
            SplitCredentials(a, value(), o.user, o.pass);
        } else if (a == "--agent") {
            o.agent = value();
        } else if (a == "--accept") {
            o.accept = value();
        } else if (a == "--referer") {
            o.referer = value();
        } else if (a == "--from") {
            o.from = value();
        } else if (a == "--cookie") {
            o.cookie = value();
        } else if (a == "--no-cache") {
            o.noCache = true;
        } else if (a == "--range") {
            const std::string r = value();
            const std::size_t dash = r.find('-');
            if (dash == std::string::npos || r.size() == 1)
                throw UsageError{"--range: expected BEGIN-END"};
            o.rangeBegin = r.substr(0, dash);
            o.rangeEnd = r.substr(dash + 1);
        } else if (a == "--if-modified-since") {
            o.ifModifiedSince = ParseUtc(value());
        } else if (a == "--socks") {
            SplitHostPort(a, value(), o.socksServer, o.socksPort);
            o.socks = true;
        } else if (a == "--socks-level") {
            o.socksLevel = UpperCase(value());
            if (o.socksLevel != "4" && o.socksLevel != "4A" && o.socksLevel != "5")
                throw UsageError{"--socks-level: expected 4, 4A or 5"};
        } else if (a == "--socks-user") {
            SplitCredentials(a, value(), socksUser, socksPass);
        } else if (a == "--max-time") {
            const std::string v = value();
            char* end = nullptr;
            const double seconds = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(seconds > 0 && seconds <= 1e9))
                throw UsageError{"--max-time: expected a number of seconds above 0"};
            o.maxTime = seconds;
        } else if (a == "-s" || a == "--silent") {
            o.silent = true;
        } else if (a == "-i") {
            o.showHeader = true;
        } else if (a == "-v") {
            o.verbose = true;
            o.showHeader = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            throw UsageError{"unknown option " + a};
        } else {
            if (!o.url.empty())
                throw UsageError{"more than one URL"};
            CheckText("URL", a);
            if (a.empty())
                throw UsageError{"empty URL"};
            o.url = a;
        }
    }
    if (o.help)
        return o;
    if (o.url.empty())
        throw UsageError{"no URL given"};
    if (!o.dataFile.empty()) {
        if (methodGiven && o.method != "POST")
            throw UsageError{"--data-file needs POST"};
        o.method = "POST";
    }
    if ((!o.socksLevel.empty() || socksUser) && !o.socks)
        throw UsageError{"--socks-level and --socks-user need --socks"};
    if (socksUser) {
        o.socksUser = *socksUser;
        o.socksPass = *socksPass;
    }
    return o;
}

} // namespace zuneigo::fetch
