#pragma once
// The socket library: IPv4 sockets with the Windows socket library's calling conventions
// and error numbering, over POSIX sockets.
//
// Every call records its error for WsGetLastError (per thread) in the Windows numbering
// (10035 would block, 10054 reset, 10061 refused, 11001 host not found, ...). The library
// starts on the first call (SocketLibrary.h); writing to a closed connection never raises
// SIGPIPE.
//
// WsAsyncSelect stands in for the asynchronous select: notifications arrive as messages
// (wParam = socket, lParam = event bit in the low half, error in the high half) to a
// hidden window, following the rules the components rely on:
//   FD_CONNECT  once, when a non-blocking connect completes, with its error; a successful
//               connect is followed by FD_WRITE.
//   FD_READ     when data is readable; not again until WsRecv/WsRecvFrom was called on the
//               socket; after that call again if data is still waiting.
//   FD_WRITE    after connect (or on every select of a connected socket, once it can take
//               data), and after a send that failed with 10035 (or took only part of the
//               data, which POSIX does when the buffer fills) once the socket takes data again.
//   FD_ACCEPT   when a connection is pending; again after each WsAccept.
//   FD_CLOSE    once: when the peer has closed and no unread data is left (error 0), or at
//               once on a reset (10054) or another connection failure, also for an accepted
//               socket that the peer reset before the accept. Only the peer ends the stream:
//               our own WsShutdown of the receiving side is not reported. A later select
//               repeats a close that was already queued (the owner may have dropped it).
// A mask of 0 stops notifications. WsCloseSocket drops every notification of the socket
// that is still queued, so a new socket that gets the same descriptor never sees one.
#include "platform/Messages.h"

#include <cstdint>
#include <string>
#include <vector>
#include <netinet/in.h>

namespace zuneigo::platform {

using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

// Event bits of WsAsyncSelect.
constexpr long FD_READ = 1;
constexpr long FD_WRITE = 2;
constexpr long FD_OOB = 4;
constexpr long FD_ACCEPT = 8;
constexpr long FD_CONNECT = 16;
constexpr long FD_CLOSE = 32;

// Address family, socket types, protocols, flags, options as the library numbers them.
constexpr int AF_INET_W = 2;
constexpr int SOCK_STREAM_W = 1;
constexpr int SOCK_DGRAM_W = 2;
constexpr int IPPROTO_TCP_W = 6;
constexpr int IPPROTO_UDP_W = 17;
constexpr int MSG_OOB_W = 1;
constexpr int MSG_PEEK_W = 2;
constexpr std::uint32_t INADDR_NONE_W = 0xFFFFFFFFu;

// Error codes (the numbering of the error-text table).
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEDESTADDRREQ = 10039;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEPROTOTYPE = 10041;
constexpr int WSAENOPROTOOPT = 10042;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAESOCKTNOSUPPORT = 10044;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEPFNOSUPPORT = 10046;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETOOMANYREFS = 10059;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAELOOP = 10062;
constexpr int WSAENAMETOOLONG = 10063;
constexpr int WSAEHOSTDOWN = 10064;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSAENOTEMPTY = 10066;
constexpr int WSAEPROCLIM = 10067;
constexpr int WSAEUSERS = 10068;
constexpr int WSAEDQUOT = 10069;
constexpr int WSAESTALE = 10070;
constexpr int WSAEREMOTE = 10071;
constexpr int WSASYSNOTREADY = 10091;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAHOST_NOT_FOUND = 11001;
constexpr int WSATRY_AGAIN = 11002;
constexpr int WSANO_RECOVERY = 11003;
constexpr int WSANO_DATA = 11004;

// errno of a socket call -> the library's numbering (0 -> 0; an errno without a
// counterpart -> 10022).
int ErrnoToWsaError(int err);
// getaddrinfo result -> 11001 ... 11004 (0 -> 0).
int GaiErrorToWsaError(int gaiError);

int WsGetLastError();
void WsSetLastError(int code);

// The calls. Results and errors as the library's: -1 (INVALID_SOCKET / SOCKET_ERROR) on
// failure with the code in WsGetLastError. Addresses are sockaddr_in (16 bytes).
SOCKET WsSocket(int af, int type, int protocol);
int WsBind(SOCKET s, const sockaddr_in& addr);
int WsListen(SOCKET s, int backlog);
// Accepts one pending connection; the new socket is blocking and unselected, like the
// library's. addr receives the peer's address when given.
SOCKET WsAccept(SOCKET s, sockaddr_in* addr);
int WsConnect(SOCKET s, const sockaddr_in& addr);
int WsCloseSocket(SOCKET s);
int WsShutdown(SOCKET s, int how);
int WsSend(SOCKET s, const void* data, int len, int flags);
int WsSendTo(SOCKET s, const void* data, int len, int flags, const sockaddr_in& to);
int WsRecv(SOCKET s, void* buf, int len, int flags);
int WsRecvFrom(SOCKET s, void* buf, int len, int flags, sockaddr_in* from);
// SOL_SOCKET options with a 4-byte int value: SO_KEEPALIVE, SO_REUSEADDR, SO_BROADCAST.
enum class SockOpt { KeepAlive,
                     ReuseAddr,
                     Broadcast };
int WsSetSockOpt(SOCKET s, SockOpt option, int value);
// SO_LINGER: on (0/1) and time in seconds.
int WsSetLinger(SOCKET s, int onOff, int seconds);
// FIONREAD: bytes one receive returns now (an urgent byte kept out of the stream does not
// hide the data behind it).
int WsIoctlFionread(SOCKET s, unsigned long* count);
int WsGetSockName(SOCKET s, sockaddr_in* addr);
int WsGetPeerName(SOCKET s, sockaddr_in* addr);

// The asynchronous select. Makes the socket non-blocking. mask 0 (or hwnd 0) stops
// notifications (queued ones stay, as with the library).
int WsAsyncSelect(SOCKET s, HWND hwnd, UINT message, long mask);

// Wakes the owner's wait once, the next time the socket is ready for one of the events
// (FD_READ, FD_WRITE, FD_CLOSE) or fails, whatever its selected mask: a wake-up message
// (WM_NULL, no window) goes to the queue of the socket's notifications. A wait with
// notifications paused ends so when what it waits for happens. 10038 for a socket that
// was never selected.
int WsWakeWhenReady(SOCKET s, long events);

// Address and byte-order helpers. WsInetAddr gives the address in network order or
// INADDR_NONE_W for a text that is not one ("255.255.255.255" gives all ones as well).
std::uint32_t WsInetAddr(const std::string& text);
std::string WsInetNtoa(std::uint32_t addrNetOrder);
std::uint16_t WsHtons(std::uint16_t v);
std::uint16_t WsNtohs(std::uint16_t v);

// A host entry: official name and IPv4 addresses in network order.
struct HostEntry {
    std::string name;
    std::vector<std::uint32_t> addresses;
};
// Blocking name lookup. False with the error (11001 ...) recorded when there is none.
bool WsGetHostByName(const std::string& name, HostEntry& entry);
// Service name -> port in network order, for the protocol name (empty: any).
bool WsGetServByName(const std::string& name, const std::string& proto, std::uint16_t& portNetOrder);
// Protocol name -> number ("tcp" 6, "udp" 17).
bool WsGetProtoByName(const std::string& name, int& protocol);

} // namespace zuneigo::platform
