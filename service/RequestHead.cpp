#include "service/RequestHead.h"

#include "base/StringUtil.h"

#include <algorithm>

namespace zuneigo::service {
namespace {

bool IsTokenChar(unsigned char c)
{
    if (c >= '0' && c <= '9') return true;
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool DecodeBase64(std::string_view in, std::string& out)
{
    static constexpr std::string_view alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (in.empty() || in.size() % 4 != 0) return false;
    out.clear();
    for (std::size_t i = 0; i < in.size(); i += 4) {
        unsigned bits = 0;
        int pad = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            const char c = in[i + j];
            unsigned v = 0;
            if (c == '=') {
                if (i + 4 != in.size() || j < 2) return false;
                ++pad;
            } else {
                if (pad > 0) return false; // data after padding
                const auto p = alphabet.find(c);
                if (p == std::string_view::npos) return false;
                v = static_cast<unsigned>(p);
            }
            bits = (bits << 6) | v;
        }
        out.push_back(static_cast<char>(bits >> 16));
        if (pad < 2) out.push_back(static_cast<char>((bits >> 8) & 0xFF));
        if (pad < 1) out.push_back(static_cast<char>(bits & 0xFF));
    }
    return true;
}

// Compares without stopping at the first difference.
bool SameBytes(std::string_view a, std::string_view b)
{
    unsigned diff = a.size() == b.size() ? 0u : 1u;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(i < b.size() ? b[i] : 0);
    return diff == 0;
}

} // namespace

int TRequestReader::AddLine(std::string_view line)
{
    const std::size_t raw = line.size();
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!hasRequestLine_) {
        if (raw > MaxRequestLine) return 414;
        return ParseRequestLine(line);
    }
    headerBytes_ += raw;
    if (headerBytes_ > MaxHeaderBytes) return 431;
    if (line.empty()) {
        // HTTP/1.1 names its host exactly once; two names leave it open which one is meant.
        if (hostCount_ > 1 || (head_.minorVersion >= 1 && hostCount_ == 0)) return 400;
        return 200;
    }
    return ParseHeaderLine(line);
}

int TRequestReader::Feed(std::string_view data, std::size_t* used)
{
    const std::size_t size = data.size();
    if (used) *used = size;
    while (!data.empty()) {
        const auto lf = data.find('\n');
        const std::string_view piece = data.substr(0, lf == std::string_view::npos ? data.size() : lf + 1);
        data.remove_prefix(piece.size());
        if (!pending_.empty() && pending_.back() == '\r' && piece.front() != '\n') return 400;
        for (std::size_t cr = piece.find('\r'); cr != std::string_view::npos; cr = piece.find('\r', cr + 1))
            if (cr + 1 < piece.size() && piece[cr + 1] != '\n') return 400;
        if (lf == std::string_view::npos) {
            if (const int status = CheckPending(pending_.size() + piece.size())) return status;
            pending_ += piece;
            return 0;
        }
        if (const int status = CheckPending(pending_.size() + piece.size() - 1)) return status;
        std::string line = std::move(pending_);
        pending_.clear();
        line += piece;
        if (const int status = AddLine(line)) {
            if (used) *used = size - data.size();
            return status;
        }
    }
    return 0;
}

int TRequestReader::CheckPending(std::size_t pending) const
{
    if (!hasRequestLine_) return pending > MaxRequestLine ? 414 : 0;
    return headerBytes_ + pending > MaxHeaderBytes ? 431 : 0;
}

int TRequestReader::ParseRequestLine(std::string_view line)
{
    // method SP target SP HTTP/1.x, single blanks, nothing else.
    const auto sp1 = line.find(' ');
    if (sp1 == std::string_view::npos || sp1 == 0) return 400;
    const auto sp2 = line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || sp2 == sp1 + 1) return 400;
    const std::string_view method = line.substr(0, sp1);
    const std::string_view target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = line.substr(sp2 + 1);
    if (!std::all_of(method.begin(), method.end(), [](char c) { return IsTokenChar(static_cast<unsigned char>(c)); }))
        return 400;
    if (!std::all_of(target.begin(), target.end(), [](char c) { return c > ' ' && c < 0x7F; }))
        return 400;
    if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || version[6] != '.' ||
        version[5] < '0' || version[5] > '9' || version[7] < '0' || version[7] > '9')
        return 400;
    if (version[5] != '1') return 505;
    head_.method = std::string(method);
    head_.target = std::string(target);
    head_.minorVersion = version[7] - '0';
    if (!SplitTarget(target, head_.path, head_.query)) return 400;
    hasRequestLine_ = true;
    return 0;
}

int TRequestReader::ParseHeaderLine(std::string_view line)
{
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return 400; // also folded lines
    const std::string_view name = line.substr(0, colon);
    if (!std::all_of(name.begin(), name.end(), [](char c) { return IsTokenChar(static_cast<unsigned char>(c)); }))
        return 400;
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (std::any_of(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\0'; }))
        return 400;
    if (SameText(name, "Authorization")) {
        if (hasAuthorization_) return 400; // two sets of credentials: which one counts?
        hasAuthorization_ = true;
        head_.authorization = std::string(value);
    } else if (SameText(name, "Host")) {
        ++hostCount_;
    }
    return 0;
}

bool SplitTarget(std::string_view target, std::string& path, std::string& query)
{
    constexpr std::string_view scheme = "http://";
    if (target.size() > scheme.size() && SameText(target.substr(0, scheme.size()), scheme)) {
        const std::string_view rest = target.substr(scheme.size());
        const auto slash = rest.find('/');
        const std::string_view authority = rest.substr(0, slash);
        if (authority.empty() || authority.find('@') != std::string_view::npos) return false;
        target = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
    }
    if (target.empty() || target.front() != '/') return false;
    if (target.find('#') != std::string_view::npos) return false;
    const auto q = target.find('?');
    path = std::string(target.substr(0, q));
    query = q == std::string_view::npos ? std::string() : std::string(target.substr(q + 1));
    return true;
}

Route FindRoute(std::string_view path)
{
    if (path == "/") return Route::Home;
    if (path == "/kelto/kelto.txt") return Route::Database;
    if (path == "/kelto/addkelto.cgi") return Route::Submit;
    return Route::NotFound;
}

bool NeedsCredentials(std::string_view path)
{
    return path.starts_with("/kelto/");
}

bool DecodeQueryValue(std::string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c == '%') {
            if (i + 2 >= text.size()) return false;
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return true;
}

bool ParseSubmission(std::string_view query, std::array<std::string, AdFieldCount>& values)
{
    std::array<bool, AdFieldCount> seen{};
    std::size_t count = 0;
    while (true) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const auto eq = pair.find('=');
        if (eq == std::string_view::npos) return false;
        const std::string_view key = pair.substr(0, eq);
        // "T1" to "T14", no leading zero, no escapes.
        if (key.size() < 2 || key.size() > 3 || key[0] != 'T' || key[1] == '0') return false;
        int number = 0;
        for (char c : key.substr(1)) {
            if (c < '0' || c > '9') return false;
            number = number * 10 + (c - '0');
        }
        if (number < 1 || number > AdFieldCount || seen[number - 1]) return false;
        seen[number - 1] = true;
        std::string& value = values[number - 1];
        if (!DecodeQueryValue(pair.substr(eq + 1), value)) return false;
        if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) return false;
        ++count;
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return count == AdFieldCount;
}

bool CheckBasicCredentials(std::string_view authorization, std::string_view user, std::string_view password)
{
    const auto sp = authorization.find(' ');
    if (sp == std::string_view::npos || !SameText(authorization.substr(0, sp), "Basic")) return false;
    std::string decoded;
    if (!DecodeBase64(TrimBlanks(authorization.substr(sp + 1)), decoded)) return false;
    const auto colon = decoded.find(':');
    if (colon == std::string::npos) return false;
    const bool userOk = SameBytes(std::string_view(decoded).substr(0, colon), user);
    const bool passwordOk = SameBytes(std::string_view(decoded).substr(colon + 1), password);
    return userOk && passwordOk;
}

} // namespace zuneigo::service
