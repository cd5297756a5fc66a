#pragma once
// Host, port and protocol texts to numbers, and the socket library's lifetime as the
// socket layer sees it. The resolvers raise ESocketException directly.
#include "net/SocketException.h"

#include <cstdint>
#include <string>

namespace zuneigo {

// IPv4 address in network byte order. Dotted texts are converted; names are looked up
// with the blocking resolver.
std::uint32_t WSocketResolveHost(const std::string& text);
// Port number in host byte order: digits, or a service name for the protocol.
std::uint16_t WSocketResolvePort(const std::string& port, const std::string& proto);
// Protocol number: digits, or a protocol name ("tcp" 6, "udp" 17).
int WSocketResolveProto(const std::string& proto);

// Releases the socket library; the next socket call starts it again. Run when the last
// socket component is destroyed.
void WSocketUnloadLibrary();

} // namespace zuneigo
