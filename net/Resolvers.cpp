// Host, port and protocol texts to numbers.
#include "net/Resolvers.h"

#include "base/StringUtil.h"
#include "net/AddressText.h"
#include "platform/SocketApi.h"
#include "platform/SocketLibrary.h"

#include <cctype>
#include <cstdio>

namespace zuneigo {

using namespace platform;

namespace {

std::string Format(const char* fmt, const std::string& text, int code)
{
    char buf[600];
    std::snprintf(buf, sizeof buf, fmt, text.c_str(), code);
    return buf;
}

bool StartsWithDigit(const std::string& s)
{
    return !s.empty() && std::isdigit(static_cast<unsigned char>(s[0]));
}

} // namespace

std::uint32_t WSocketResolveHost(const std::string& text)
{
    if (text.empty() || text.size() > 256) throw ESocketException("WSocketResolveHost: '" + text + "' Invalid Hostname.");
    std::string s = Trim(text);
    if (IsDottedAddress(text)) {
        std::uint32_t a = WsInetAddr(s);
        if (a == INADDR_NONE_W && s != "255.255.255.255")
            throw ESocketException("WSocketResolveHost: '" + text + "' Invalid IP address.");
        return a;
    }
    HostEntry entry;
    if (!WsGetHostByName(s, entry))
        throw ESocketException(Format("WSocketResolveHost: Cannot convert host address '%s', Error #%d", text, WsGetLastError()));
    return entry.addresses.front();
}

std::uint16_t WSocketResolvePort(const std::string& port, const std::string& proto)
{
    if (port.empty() || port.size() >= 32) throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (StartsWithDigit(port)) return static_cast<std::uint16_t>(ParseLeadingNumber(port));
    std::uint16_t netPort = 0;
    if (!WsGetServByName(Trim(port), Trim(proto), netPort))
        throw ESocketException(Format("WSocketResolvePort: Cannot convert port '%s', Error #%d", port, WsGetLastError()));
    return WsNtohs(netPort);
}

int WSocketResolveProto(const std::string& proto)
{
    if (proto.empty() || proto.size() >= 32) throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    std::string p = Trim(proto);
    if (StartsWithDigit(p)) return ParseLeadingNumber(p);
    int number = 0;
    if (!WsGetProtoByName(p, number))
        throw ESocketException(Format("WSocketResolveProto: Cannot convert protocol '%s', Error #%d", p, WsGetLastError()));
    return number;
}

void WSocketUnloadLibrary()
{
    SocketLibraryStop();
}

} // namespace zuneigo
