#include "net/SocksProtocol.h"

#include <algorithm>

namespace zuneigo {

namespace {

void PutPort(std::string& out, std::uint16_t port)
{
    out.push_back(static_cast<char>(port >> 8));
    out.push_back(static_cast<char>(port & 0xFF));
}

// Version 4, command CONNECT, destination port: the head both 4 and 4A requests share.
void PutSocks4Head(std::string& out, std::uint16_t port)
{
    out.clear();
    out.push_back('\x04');
    out.push_back('\x01');
    PutPort(out, port);
}

std::uint8_t Byte(const std::string& s, std::size_t i)
{
    return static_cast<std::uint8_t>(s[i]);
}

std::uint16_t PortAt(const std::string& s, std::size_t i)
{
    return static_cast<std::uint16_t>((Byte(s, i) << 8) | Byte(s, i + 1));
}

std::string DottedAt(const std::string& s, std::size_t i)
{
    return std::to_string(Byte(s, i)) + "." + std::to_string(Byte(s, i + 1)) + "." +
        std::to_string(Byte(s, i + 2)) + "." + std::to_string(Byte(s, i + 3));
}

std::optional<TSocksFailure> Rejected(std::string text)
{
    return TSocksFailure{socksValueRejected, std::move(text)};
}

// The request area of a SOCKS 4 message ends each field with a zero byte.
std::optional<TSocksFailure> CheckNoZero(const std::string& value, const char* what)
{
    if (value.find('\0') != std::string::npos)
        return Rejected(std::string(what) + " contains a zero byte");
    return std::nullopt;
}

} // namespace

std::string SocksMethodRequest(std::uint8_t method)
{
    return std::string{'\x05', '\x01', static_cast<char>(method)};
}

std::optional<TSocksFailure> SocksAuthRequest(const std::string& user, const std::string& password,
                                              std::string& out)
{
    if (user.size() > socks5MaxField)
        return Rejected("socks user code too long (more than 255 bytes)");
    if (password.size() > socks5MaxField)
        return Rejected("socks password too long (more than 255 bytes)");
    out.clear();
    out.push_back('\x01');
    out.push_back(static_cast<char>(user.size()));
    out += user;
    out.push_back(static_cast<char>(password.size()));
    out += password;
    return std::nullopt;
}

std::optional<TSocksFailure> Socks4ConnectRequest(std::uint16_t port, std::uint32_t address,
                                                  const std::string& user, std::string& out)
{
    if (auto f = CheckNoZero(user, "socks user code"))
        return f;
    PutSocks4Head(out, port);
    const auto* a = reinterpret_cast<const unsigned char*>(&address); // network order
    out.append(reinterpret_cast<const char*>(a), 4);
    out += user;
    out.push_back('\0');
    return std::nullopt;
}

std::optional<TSocksFailure> Socks4AConnectRequest(std::uint16_t port, const std::string& host,
                                                   const std::string& user, std::string& out)
{
    if (auto f = CheckNoZero(user, "socks user code"))
        return f;
    if (host.empty())
        return Rejected("host name empty");
    if (auto f = CheckNoZero(host, "host name"))
        return f;
    PutSocks4Head(out, port);
    out += std::string{'\0', '\0', '\0', '\x01'};
    out += user;
    out.push_back('\0');
    out += host;
    out.push_back('\0');
    return std::nullopt;
}

std::optional<TSocksFailure> Socks5ConnectRequest(const std::string& host, std::uint16_t port,
                                                  std::string& out)
{
    if (host.empty())
        return Rejected("host name empty");
    if (host.size() > socks5MaxField)
        return Rejected("host name too long (more than 255 bytes)");
    out.clear();
    out += std::string{'\x05', '\x01', '\0', '\x03'};
    out.push_back(static_cast<char>(host.size()));
    out += host;
    PutPort(out, port);
    return std::nullopt;
}

TSocksFailure Socks5ReplyFailure(std::uint8_t rep)
{
    switch (rep) {
    case 1: return {socksGeneralFailure, "general SOCKS server failure"};
    case 2: return {socksConnectionNotAllowed, "connection not allowed by ruleset"};
    case 3: return {socksNetworkUnreachable, "network unreachable"};
    case 4: return {socksHostUnreachable, "host unreachable"};
    case 5: return {socksConnectionRefused, "connection refused"};
    case 6: return {socksTtlExpired, "time to live expired"};
    case 7: return {socksUnknownCommand, "command not supported"};
    case 8: return {socksUnknownAddressType, "address type not supported"};
    default: return {socksUnassignedError, "unassigned error #" + std::to_string(rep)};
    }
}

void TSocksReplyReader::Start(bool socks4, std::uint8_t requestedMethod)
{
    socks4_ = socks4;
    requestedMethod_ = requestedMethod;
    phase_ = 1;
    reply_.clear();
    authNotRequired_ = false;
    failure_ = {};
    boundAddr_.clear();
    boundPort_ = 0;
    leftover_.clear();
}

void TSocksReplyReader::SetPhase(int phase)
{
    phase_ = phase;
    reply_.clear();
}

std::size_t TSocksReplyReader::Room() const
{
    // The replies of phases 1 and 2 are two bytes; more is read so that a server that
    // sends too much is noticed instead of waited for.
    constexpr std::size_t area = 127;
    const std::size_t held = reply_.size();
    switch (phase_) {
    case 0:
        return 0;
    case 3:
        if (socks4_)
            return held < 8 ? 8 - held : 1;
        {
            const std::size_t cap = std::max(area, Socks5ReplyLength()); // long bound names
            return held < cap ? cap - held : 1;
        }
    default:
        return held < area ? area - held : 1;
    }
}

TSocksReplyReader::Step TSocksReplyReader::Add(const char* data, std::size_t n)
{
    reply_.append(data, n);
    authNotRequired_ = false;
    switch (phase_) {
    case 1: return Phase1();
    case 2: return Phase2();
    case 3: return socks4_ ? Phase3Socks4() : Phase3Socks5();
    default: return Fail(socksInternalError, "internal error");
    }
}

TSocksReplyReader::Step TSocksReplyReader::Fail(int code, std::string text)
{
    failure_ = {code, std::move(text)};
    reply_.clear();
    return Step::Failed;
}

TSocksReplyReader::Step TSocksReplyReader::Phase1()
{
    if (socks4_)
        return Fail(socksLogicError, "TWSocket logic error");
    if (reply_.size() < 2)
        return Step::NeedMore;
    if (reply_.size() > 2)
        return Fail(socksLogicError, "too much data availaible");
    const std::uint8_t version = Byte(reply_, 0), method = Byte(reply_, 1);
    reply_.clear();
    if (version != 5)
        return Fail(socksVersionError, "socks version error");
    if (method == 0) {
        authNotRequired_ = requestedMethod_ != 0;
        return Step::SendConnect;
    }
    if (method == 2)
        return Step::SendAuth;
    return Fail(socksAuthMethodError, "authentification method not acceptable");
}

TSocksReplyReader::Step TSocksReplyReader::Phase2()
{
    if (!reply_.empty() && Byte(reply_, 0) != 1)
        return Fail(socksVersionError, "socks version error");
    if (reply_.size() > 2)
        return Fail(socksLogicError, "too much data availaible");
    if (reply_.size() < 2)
        return Step::NeedMore;
    if (Byte(reply_, 1) != 0)
        return Fail(socksAuthenticationFailed, "socks authentication failed");
    reply_.clear();
    return Step::SendConnect;
}

TSocksReplyReader::Step TSocksReplyReader::Phase3Socks4()
{
    if (reply_.size() < 8)
        return Step::NeedMore;
    const std::string reply = reply_.substr(0, 8);
    reply_.clear();
    if (Byte(reply, 0) != 0)
        return Fail(socksVersionError, "socks version error");
    switch (Byte(reply, 1)) {
    case 90:
        boundPort_ = PortAt(reply, 2);
        boundAddr_ = DottedAt(reply, 4);
        phase_ = 0;
        return Step::Granted;
    case 91: return Fail(socksRejectedOrFailed, "request rejected or failed");
    case 92: return Fail(socksConnectionRefused, "connection refused");
    case 93: return Fail(socksAuthenticationFailed, "authentification failed");
    default: return Fail(socksUnassignedError, "unassigned error #" + std::to_string(Byte(reply, 1)));
    }
}

std::size_t TSocksReplyReader::Socks5ReplyLength() const
{
    if (reply_.size() < 5)
        return 0;
    switch (Byte(reply_, 3)) {
    case 1: return 10;
    case 3: return 7 + static_cast<std::size_t>(Byte(reply_, 4));
    default: return 5;
    }
}

TSocksReplyReader::Step TSocksReplyReader::Phase3Socks5()
{
    if (!reply_.empty() && Byte(reply_, 0) != 5)
        return Fail(socksVersionError, "socks version error");
    if (reply_.size() >= 2 && Byte(reply_, 1) != 0) {
        TSocksFailure f = Socks5ReplyFailure(Byte(reply_, 1));
        return Fail(f.Code, std::move(f.Text));
    }
    const std::size_t need = Socks5ReplyLength();
    if (need == 0 || reply_.size() < need)
        return Step::NeedMore;
    const std::uint8_t type = Byte(reply_, 3);
    if (type == 1) {
        boundAddr_ = DottedAt(reply_, 4);
        boundPort_ = PortAt(reply_, 8);
    } else if (type == 3) {
        const std::size_t len = Byte(reply_, 4);
        boundAddr_ = reply_.substr(5, len);
        boundPort_ = PortAt(reply_, 5 + len);
    } else {
        return Fail(socksUnknownAddressType, "address type not supported");
    }
    leftover_ = reply_.substr(need);
    reply_.clear();
    phase_ = 0;
    return Step::Granted;
}

} // namespace zuneigo
