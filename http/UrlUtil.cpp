#include "http/UrlUtil.h"

#include "base/StringUtil.h"

#include <algorithm>

namespace zuneigo {

namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

void SplitAuthority(std::string_view a, UrlParts& r)
{
    const std::size_t c = a.rfind(':');
    const std::size_t t = a.rfind('@');
    if (c == std::string_view::npos && t == std::string_view::npos) {
        r.host = a;
        return;
    }
    std::string_view userPart;
    if (c != std::string_view::npos && (t == std::string_view::npos || c > t)) {
        r.port = a.substr(c + 1);
        const std::size_t hostStart = t == std::string_view::npos ? 0 : t + 1;
        r.host = a.substr(hostStart, c - hostStart);
        if (t == std::string_view::npos)
            return;
        userPart = a.substr(0, t);
    } else {
        r.host = a.substr(t + 1);
        userPart = a.substr(0, t);
    }
    const std::size_t colon = userPart.find(':');
    if (colon == std::string_view::npos) {
        r.user = userPart;
    } else {
        r.user = userPart.substr(0, colon);
        r.pass = userPart.substr(colon + 1);
    }
}

} // namespace

UrlParts SplitUrl(std::string_view url)
{
    UrlParts r;
    if (url.empty())
        return r;

    std::string_view rest;
    const std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos) {
        r.proto = url.substr(0, scheme);
        rest = url.substr(scheme + 3);
    } else if (url[0] == '/') {
        r.proto = "http";
        if (url.size() > 1 && url[1] != '/') {
            r.path = url;
            return r;
        }
        rest = url.substr(1);
    } else if (StartsWithNoCase(url, "http:")) {
        r.proto = "http";
        if (url.size() > 6 && url[6] != '/') {
            r.path = url.substr(5);
            return r;
        }
        rest = url.substr(std::min<std::size_t>(url.size(), 6));
    } else if (StartsWithNoCase(url, "mailto:")) {
        r.proto = "mailto";
        rest = url.substr(url.find(':') + 1);
    } else {
        rest = url;
    }

    const std::size_t slash = rest.find('/');
    std::string_view authority = rest;
    if (slash != std::string_view::npos) {
        r.path = rest.substr(slash);
        authority = rest.substr(0, slash);
    }
    SplitAuthority(authority, r);
    return r;
}

void SplitUrl(std::string_view url, std::string& proto, std::string& user, std::string& pass,
              std::string& host, std::string& port, std::string& path)
{
    UrlParts r = SplitUrl(url);
    proto = std::move(r.proto);
    user = std::move(r.user);
    pass = std::move(r.pass);
    host = std::move(r.host);
    port = std::move(r.port);
    path = std::move(r.path);
}

std::size_t FindNth(std::string_view sub, std::string_view text, int n)
{
    if (n == 0)
        return 0;
    if (n < 0) {
        if (sub.empty())
            return 0;
        const std::size_t p = text.rfind(sub);
        return p == std::string_view::npos ? 0 : p + 1;
    }
    if (sub.empty())
        return text.size() + 1;
    std::size_t from = 0;
    for (int hit = 1;; ++hit) {
        const std::size_t p = text.find(sub, from);
        if (p == std::string_view::npos)
            return text.size() + 1;
        if (hit == n)
            return p + 1;
        from = p + 1;
    }
}

void SetDocExtension(std::string& name, std::string_view ext)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        name += '.';
    } else {
        name.erase(dot + 1);
    }
    name += ext;
}

} // namespace zuneigo
