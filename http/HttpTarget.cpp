#include "http/HttpTarget.h"

#include "http/UrlUtil.h"

#include <vector>

namespace zuneigo {

namespace {

std::string AbsoluteAddress(const std::string& scheme, const std::string& host, const std::string& port,
                            std::string_view path)
{
    std::string r = (scheme.empty() ? std::string("http") : scheme) + "://" + host;
    if (!port.empty())
        r += ":" + port;
    r += path;
    return r;
}

// Removes "." and ".." segments from an absolute path; the query is left alone.
std::string NormalizePath(std::string_view path)
{
    const std::size_t q = path.find('?');
    const std::string_view query = q == std::string_view::npos ? std::string_view() : path.substr(q);
    const std::string_view p = path.substr(0, q);
    std::vector<std::string_view> segments;
    bool trailingSlash = false;
    std::size_t start = 1;
    while (start <= p.size()) {
        std::size_t end = p.find('/', start);
        if (end == std::string_view::npos)
            end = p.size();
        const std::string_view seg = p.substr(start, end - start);
        const bool last = end == p.size();
        trailingSlash = last && (seg.empty() || seg == "." || seg == "..");
        if (seg == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (seg != "." && !(last && seg.empty())) {
            segments.push_back(seg);
        }
        start = end + 1;
    }
    std::string r;
    for (std::string_view seg : segments) {
        r += '/';
        r += seg;
    }
    if (r.empty() || trailingSlash)
        r += '/';
    r += query;
    return r;
}

bool HasControlCharacter(std::string_view s)
{
    for (unsigned char c : s)
        if (c < 32 || c == 127)
            return true;
    return false;
}

} // namespace

HttpTarget DeriveHttpTarget(std::string_view url, std::string_view proxy, std::string_view proxyPort)
{
    HttpTarget t;
    const UrlParts u = SplitUrl(url);
    t.originHost = u.host;
    t.user = u.user;
    t.pass = u.pass;
    t.location = url;
    if (proxy.empty()) {
        t.requestPath = u.path;
        t.connectHost = u.host;
        t.connectPort = u.port.empty() ? "80" : u.port;
    } else {
        t.requestPath = AbsoluteAddress(u.proto, u.host, u.port, u.path);
        const UrlParts p = SplitUrl(proxy);
        t.connectHost = p.host;
        t.connectPort = p.port.empty() ? std::string(proxyPort) : p.port;
    }
    if (t.requestPath.empty())
        t.requestPath = "/";
    return t;
}

bool ApplyHttpLocation(HttpTarget& t, std::string_view value, bool viaProxy)
{
    if (value.empty() || HasControlCharacter(value))
        return false;
    const UrlParts v = SplitUrl(value);
    const bool absolute = !v.proto.empty() && !v.host.empty();
    if (!absolute && !v.proto.empty() && value.find("://") != std::string_view::npos)
        return false; // a scheme without a host: nowhere to go

    std::string serverPath; // the new path on the current server, for relative values
    if (!absolute) {
        if (value.front() == '/') {
            serverPath = value;
        } else {
            // The path of the current document, without its query.
            std::string current = viaProxy ? SplitUrl(t.requestPath).path : t.requestPath;
            current = current.substr(0, current.find('?'));
            if (value.find('/') == std::string_view::npos) {
                // A bare file name lies in the root of the current server.
                serverPath = "/" + std::string(value);
            } else {
                const std::size_t slash = current.rfind('/');
                const std::string dir = slash == std::string::npos ? "/" : current.substr(0, slash + 1);
                serverPath = NormalizePath(dir + std::string(value));
            }
        }
    }

    if (!viaProxy) {
        if (absolute) {
            t.connectHost = v.host;
            t.originHost = v.host;
            // An address without a port means the scheme's default, whatever port the
            // previous connection used.
            t.connectPort = v.port.empty() ? "80" : v.port;
            t.requestPath = v.path.empty() ? "/" : v.path;
            t.location = AbsoluteAddress(v.proto, v.host, v.port, v.path);
        } else {
            t.requestPath = serverPath;
            t.location = AbsoluteAddress("http", t.connectHost, t.connectPort == "80" ? "" : t.connectPort, serverPath);
        }
        return true;
    }

    if (absolute) {
        t.originHost = v.host;
        t.location = AbsoluteAddress(v.proto, v.host, v.port, v.path);
    } else {
        const UrlParts cur = SplitUrl(t.requestPath);
        t.location = AbsoluteAddress(cur.proto, cur.host, cur.port, serverPath);
    }
    t.requestPath = t.location;
    return true;
}

std::string HttpDocName(std::string_view url)
{
    std::string path = SplitUrl(url).path;
    if (path.empty() || path == "/")
        return "document.htm";
    if (path.back() == '/')
        path.pop_back();
    const std::size_t last = FindNth("/", path, -1); // 1-based, 0 when none
    std::string name = path.substr(last, 255);
    const std::size_t q = name.find('?');
    if (q != std::string::npos)
        name.erase(q);
    return name;
}

} // namespace zuneigo
