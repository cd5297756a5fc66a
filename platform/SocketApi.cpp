// The socket calls over POSIX, with the library's error numbering.
#include "platform/SocketApi.h"

#include "platform/PlatformInternal.h"
#include "platform/SocketLibrary.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zuneigo::platform {

using namespace detail;

namespace {

thread_local int tlsLastError = 0;

inline void Started()
{
    if (!SocketLibraryRunning()) SocketLibraryStart();
}

// Records errno in the library's numbering and returns -1.
int Fail()
{
    tlsLastError = ErrnoToWsaError(errno);
    return SOCKET_ERROR;
}

int Fail(int code)
{
    tlsLastError = code;
    return SOCKET_ERROR;
}

std::shared_ptr<Registration> FindLocked(int fd)
{
    auto& s = GetState();
    auto it = s.sockets.find(fd);
    return it == s.sockets.end() ? nullptr : it->second;
}

int TranslateFlags(int flags)
{
    int out = 0;
    if (flags & MSG_OOB_W) out |= MSG_OOB;
    if (flags & MSG_PEEK_W) out |= MSG_PEEK;
    return out;
}

bool IsNonBlocking(int fd)
{
    int fl = ::fcntl(fd, F_GETFL);
    return fl >= 0 && (fl & O_NONBLOCK);
}

} // namespace

int ErrnoToWsaError(int err)
{
    switch (err) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAENOTSOCK;
    case ENOTSOCK: return WSAENOTSOCK;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
#if EAGAIN != EWOULDBLOCK
    case EWOULDBLOCK:
#endif
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEWOULDBLOCK; // a non-blocking connect under way
    case EALREADY: return WSAEALREADY;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: return WSAECONNRESET;
    case EPIPE: return WSAECONNRESET; // the connection is gone; POSIX says so after a reset
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETOOMANYREFS: return WSAETOOMANYREFS;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENOTEMPTY: return WSAENOTEMPTY;
    case EUSERS: return WSAEUSERS;
    case EDQUOT: return WSAEDQUOT;
    case ESTALE: return WSAESTALE;
    case EREMOTE: return WSAEREMOTE;
    case EPROTO: return WSAECONNABORTED;
    case ENOSPC: return WSAENOBUFS;
    case EIO: return WSAENETDOWN;
    default: return WSAEINVAL;
    }
}

int GaiErrorToWsaError(int gaiError)
{
    switch (gaiError) {
    case 0: return 0;
    case EAI_NONAME: return WSAHOST_NOT_FOUND;
#ifdef EAI_NODATA
    case EAI_NODATA: return WSANO_DATA;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return WSANO_DATA;
#endif
    case EAI_AGAIN: return WSATRY_AGAIN;
    case EAI_MEMORY: return WSAENOBUFS;
    case EAI_SYSTEM: return errno ? ErrnoToWsaError(errno) : WSANO_RECOVERY;
    default: return WSANO_RECOVERY;
    }
}

int WsGetLastError()
{
    return tlsLastError;
}

void WsSetLastError(int code)
{
    tlsLastError = code;
}

SOCKET WsSocket(int af, int type, int protocol)
{
    Started();
    if (af != AF_INET_W) return Fail(WSAEAFNOSUPPORT);
    int t;
    if (type == SOCK_STREAM_W)
        t = SOCK_STREAM;
    else if (type == SOCK_DGRAM_W)
        t = SOCK_DGRAM;
    else
        return Fail(WSAESOCKTNOSUPPORT);
    int fd = ::socket(AF_INET, t | SOCK_CLOEXEC, protocol);
    if (fd < 0) return Fail();
    auto& st = GetState();
    std::lock_guard lock(st.mutex);
    DropRegistrationLocked(st, fd); // left by a descriptor closed behind the library's back
    return fd;
}

int WsBind(SOCKET s, const sockaddr_in& addr)
{
    Started();
    sockaddr_in a = addr;
    a.sin_family = AF_INET;
    if (::bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) < 0) return Fail();
    return 0;
}

int WsListen(SOCKET s, int backlog)
{
    Started();
    if (::listen(s, backlog) < 0) return Fail();
    auto& st = GetState();
    std::lock_guard lock(st.mutex);
    if (auto r = FindLocked(s)) {
        r->phase = Phase::Listening;
        r->acceptEnabled = true;
        UpdateInterestLocked(*r);
    }
    return 0;
}

SOCKET WsAccept(SOCKET s, sockaddr_in* addr)
{
    Started();
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int fd;
    do {
        fd = ::accept4(s, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    int err = errno;
    {
        auto& st = GetState();
        std::lock_guard lock(st.mutex);
        if (auto r = FindLocked(s)) {
            r->acceptEnabled = true;
            UpdateInterestLocked(*r);
        }
        if (fd >= 0) {
            // Accepted means connected, even when the peer has already reset it (then it has
            // no peer name any more): its select must report that reset, not nothing at all.
            auto r = FreshRegistrationLocked(st, fd);
            r->phase = Phase::Connected;
            r->writeArmed = true;
        }
    }
    if (fd < 0) {
        errno = err;
        return Fail();
    }
    if (addr) *addr = a;
    return fd;
}

int WsConnect(SOCKET s, const sockaddr_in& addr)
{
    Started();
    sockaddr_in a = addr;
    a.sin_family = AF_INET;
    int rc;
    do {
        rc = ::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    } while (rc < 0 && errno == EINTR && !IsNonBlocking(s));
    int err = rc < 0 ? errno : 0;
    auto& st = GetState();
    std::lock_guard lock(st.mutex);
    auto r = FindLocked(s);
    if (!r || !IsNonBlocking(s)) {
        if (rc < 0) {
            errno = err;
            return Fail();
        }
        return 0;
    }
    int type = 0;
    socklen_t tl = sizeof type;
    ::getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &tl);
    if (type == SOCK_DGRAM) {
        if (rc < 0) {
            errno = err;
            return Fail();
        }
        return 0;
    }
    if (rc == 0) {
        // Completed at once: report it the way a completion is reported.
        r->phase = Phase::Connected;
        NotifyLocked(*r, FD_CONNECT, 0);
        NotifyLocked(*r, FD_WRITE, 0);
        UpdateInterestLocked(*r);
        return Fail(WSAEWOULDBLOCK);
    }
    if (err == EINPROGRESS || err == EAGAIN || err == EINTR) {
        r->phase = Phase::Connecting;
        UpdateInterestLocked(*r);
        return Fail(WSAEWOULDBLOCK);
    }
    if (err == ECONNREFUSED || err == ENETUNREACH || err == EHOSTUNREACH || err == ETIMEDOUT) {
        // The library reports these through the connect notification, not from the call.
        r->phase = Phase::Dead;
        NotifyLocked(*r, FD_CONNECT, ErrnoToWsaError(err));
        UpdateInterestLocked(*r);
        return Fail(WSAEWOULDBLOCK);
    }
    errno = err;
    return Fail();
}

int WsCloseSocket(SOCKET s)
{
    Started();
    auto& st = GetState();
    std::lock_guard lock(st.mutex);
    // Under the lock: no other thread can get this descriptor number before every
    // notification that names it is gone.
    DropRegistrationLocked(st, s);
    if (::close(s) < 0) return Fail();
    return 0;
}

int WsShutdown(SOCKET s, int how)
{
    Started();
    int h = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR
                                          : SHUT_RDWR;
    if (::shutdown(s, h) < 0) return Fail();
    if (h != SHUT_WR) {
        auto& st = GetState();
        std::lock_guard lock(st.mutex);
        if (auto r = FindLocked(s)) {
            r->readShut = true;
            UpdateInterestLocked(*r);
        }
    }
    return 0;
}

namespace {

void ArmWrite(SOCKET s)
{
    auto& st = GetState();
    std::lock_guard lock(st.mutex);
    if (auto r = FindLocked(s)) {
        r->writeArmed = true;
        UpdateInterestLocked(*r);
    }
}

void ReenableRead(SOCKET s)
{
    auto& st = GetState();
    std::lock_guard lock(st.mutex);
    if (auto r = FindLocked(s)) {
        if (!r->readEnabled) {
            r->readEnabled = true;
            UpdateInterestLocked(*r);
        }
    }
}

} // namespace

namespace {

// send and sendto share the retry on EINTR and the write notification after "would block".
int SendCommon(SOCKET s, const void* data, int len, int flags, const sockaddr* to, socklen_t toLen)
{
    Started();
    if (len < 0) return Fail(WSAEINVAL);
    ssize_t n;
    do {
        n = ::sendto(s, data, static_cast<size_t>(len), TranslateFlags(flags) | MSG_NOSIGNAL, to, toLen);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        int err = errno;
        if (err == EAGAIN || err == EWOULDBLOCK) ArmWrite(s);
        errno = err;
        return Fail();
    }
    return static_cast<int>(n);
}

} // namespace

int WsSend(SOCKET s, const void* data, int len, int flags)
{
    const int n = SendCommon(s, data, len, flags, nullptr, 0);
    // POSIX takes part of a send when the buffer fills up; the next call would block, so
    // the program hears when the socket takes data again, as after a refused send.
    if (n >= 0 && n < len) ArmWrite(s);
    return n;
}

int WsSendTo(SOCKET s, const void* data, int len, int flags, const sockaddr_in& to)
{
    sockaddr_in a = to;
    a.sin_family = AF_INET;
    return SendCommon(s, data, len, flags, reinterpret_cast<const sockaddr*>(&a), sizeof a);
}

int WsRecv(SOCKET s, void* buf, int len, int flags)
{
    Started();
    if (len < 0) return Fail(WSAEINVAL);
    ssize_t n;
    do {
        n = ::recv(s, buf, static_cast<size_t>(len), TranslateFlags(flags));
    } while (n < 0 && errno == EINTR);
    int err = errno;
    ReenableRead(s);
    if (n < 0) {
        errno = err;
        return Fail();
    }
    return static_cast<int>(n);
}

int WsRecvFrom(SOCKET s, void* buf, int len, int flags, sockaddr_in* from)
{
    Started();
    if (len < 0) return Fail(WSAEINVAL);
    sockaddr_in a{};
    socklen_t alen = sizeof a;
    ssize_t n;
    do {
        n = ::recvfrom(s, buf, static_cast<size_t>(len), TranslateFlags(flags), reinterpret_cast<sockaddr*>(&a), &alen);
    } while (n < 0 && errno == EINTR);
    int err = errno;
    ReenableRead(s);
    if (n < 0) {
        errno = err;
        return Fail();
    }
    if (from) *from = a;
    return static_cast<int>(n);
}

int WsSetSockOpt(SOCKET s, SockOpt option, int value)
{
    Started();
    int name = option == SockOpt::KeepAlive ? SO_KEEPALIVE : option == SockOpt::ReuseAddr ? SO_REUSEADDR
                                                                                          : SO_BROADCAST;
    if (::setsockopt(s, SOL_SOCKET, name, &value, sizeof value) < 0) return Fail();
    return 0;
}

int WsSetLinger(SOCKET s, int onOff, int seconds)
{
    Started();
    linger l{};
    l.l_onoff = onOff ? 1 : 0;
    l.l_linger = seconds;
    if (::setsockopt(s, SOL_SOCKET, SO_LINGER, &l, sizeof l) < 0) return Fail();
    return 0;
}

int WsIoctlFionread(SOCKET s, unsigned long* count)
{
    Started();
    int n = 0;
    if (StreamBytesReadable(s, n) < 0) return Fail();
    if (count) *count = static_cast<unsigned long>(n < 0 ? 0 : n);
    return 0;
}

// getsockname/getpeername: the same call shape, only the query differs.
static int QueryAddress(int (*query)(int, sockaddr*, socklen_t*), SOCKET s, sockaddr_in* addr)
{
    Started();
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (query(s, reinterpret_cast<sockaddr*>(&a), &len) < 0) return Fail();
    if (addr) *addr = a;
    return 0;
}

int WsGetSockName(SOCKET s, sockaddr_in* addr) { return QueryAddress(::getsockname, s, addr); }

int WsGetPeerName(SOCKET s, sockaddr_in* addr) { return QueryAddress(::getpeername, s, addr); }

int WsAsyncSelect(SOCKET s, HWND hwnd, UINT message, long mask)
{
    Started();
    int fl = ::fcntl(s, F_GETFL);
    if (fl < 0) return Fail();
    if (!(fl & O_NONBLOCK) && ::fcntl(s, F_SETFL, fl | O_NONBLOCK) < 0) return Fail();
    auto& st = GetState();
    std::lock_guard lock(st.mutex);
    auto r = FindLocked(s);
    if (mask == 0 || hwnd == 0) {
        if (r) {
            r->mask = 0;
            UpdateInterestLocked(*r);
        }
        return 0;
    }
    auto w = st.windows.find(hwnd);
    if (w == st.windows.end()) return Fail(WSAEINVAL);
    bool fresh = !r;
    if (fresh) {
        r = std::make_shared<Registration>();
        r->id = st.nextRegistration++;
        r->fd = s;
        st.sockets[s] = r;
    }
    if (r->queue != w->second->queue) {
        // Moving to another thread's queue: leave the old one first.
        LeaveQueueLocked(*r);
        r->queue = w->second->queue;
        r->queue->sockets[r->id] = r;
    }
    r->hwnd = hwnd;
    r->message = message;
    r->mask = mask;
    r->readEnabled = true;
    r->acceptEnabled = true;
    // Selecting again (Resume after Pause) reports what still holds, as the library does:
    // write when the socket can take data, close when the connection has ended. What was
    // queued meanwhile may have been dropped by a paused owner.
    if (r->phase == Phase::Connected || r->phase == Phase::Datagram) r->writeArmed = true;
    if (!fresh && r->phase == Phase::Dead && r->closeError >= 0) NotifyLocked(*r, FD_CLOSE, r->closeError);
    if (fresh || r->phase == Phase::Fresh) {
        int type = 0, acceptConn = 0;
        socklen_t tl = sizeof type, al = sizeof acceptConn;
        ::getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &tl);
        ::getsockopt(s, SOL_SOCKET, SO_ACCEPTCONN, &acceptConn, &al);
        sockaddr_in peer{};
        socklen_t pl = sizeof peer;
        if (type == SOCK_DGRAM) {
            r->phase = Phase::Datagram;
            r->writeArmed = true;
        } else if (acceptConn) {
            r->phase = Phase::Listening;
        } else if (::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &pl) == 0) {
            // Already connected (an accepted socket): it is writable, say so once.
            r->phase = Phase::Connected;
            r->writeArmed = true;
        }
    }
    UpdateInterestLocked(*r);
    return 0;
}

std::uint32_t WsInetAddr(const std::string& text)
{
    Started();
    in_addr a{};
    if (::inet_aton(text.c_str(), &a) == 0) return INADDR_NONE_W;
    return a.s_addr;
}

std::string WsInetNtoa(std::uint32_t addrNetOrder)
{
    Started();
    char buf[INET_ADDRSTRLEN];
    in_addr a{};
    a.s_addr = addrNetOrder;
    ::inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

std::uint16_t WsHtons(std::uint16_t v)
{
    Started();
    return htons(v);
}

std::uint16_t WsNtohs(std::uint16_t v)
{
    Started();
    return ntohs(v);
}

int WsWakeWhenReady(SOCKET s, long events)
{
    std::uint32_t wake = 0;
    if (events & FD_READ) wake |= EPOLLIN | EPOLLRDHUP;
    if (events & FD_WRITE) wake |= EPOLLOUT;
    if (events & FD_CLOSE) wake |= EPOLLRDHUP;
    auto& st = GetState();
    std::lock_guard lock(st.mutex);
    auto r = FindLocked(s);
    if (!r || !r->queue) return Fail(WSAENOTSOCK);
    r->wakeEvents |= wake;
    UpdateInterestLocked(*r);
    return 0;
}

bool WsGetHostByName(const std::string& name, HostEntry& entry)
{
    Started();
    return LookupHostName(name, entry);
}

namespace detail {

bool LookupHostName(const std::string& name, HostEntry& entry)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* res = nullptr;
    int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &res);
    if (rc != 0) {
        tlsLastError = GaiErrorToWsaError(rc);
        return false;
    }
    entry = HostEntry{};
    entry.name = res && res->ai_canonname ? res->ai_canonname : name;
    for (addrinfo* p = res; p; p = p->ai_next) {
        if (p->ai_family != AF_INET) continue;
        auto a = reinterpret_cast<sockaddr_in*>(p->ai_addr)->sin_addr.s_addr;
        bool seen = false;
        for (auto x : entry.addresses)
            seen = seen || x == a;
        if (!seen) entry.addresses.push_back(a);
    }
    ::freeaddrinfo(res);
    if (entry.addresses.empty()) {
        tlsLastError = WSANO_DATA;
        return false;
    }
    return true;
}

} // namespace detail

bool WsGetServByName(const std::string& name, const std::string& proto, std::uint16_t& portNetOrder)
{
    Started();
    servent se{};
    servent* result = nullptr;
    char buf[1024];
    ::getservbyname_r(name.c_str(), proto.empty() ? nullptr : proto.c_str(), &se, buf, sizeof buf, &result);
    if (!result) {
        tlsLastError = WSANO_DATA;
        return false;
    }
    portNetOrder = static_cast<std::uint16_t>(result->s_port);
    return true;
}

bool WsGetProtoByName(const std::string& name, int& protocol)
{
    Started();
    protoent pe{};
    protoent* result = nullptr;
    char buf[1024];
    ::getprotobyname_r(name.c_str(), &pe, buf, sizeof buf, &result);
    if (result) {
        protocol = result->p_proto;
        return true;
    }
    // Without /etc/protocols the two that matter are still known.
    if (name == "tcp" || name == "TCP") {
        protocol = IPPROTO_TCP_W;
        return true;
    }
    if (name == "udp" || name == "UDP") {
        protocol = IPPROTO_UDP_W;
        return true;
    }
    tlsLastError = WSANO_DATA;
    return false;
}

} // namespace zuneigo::platform
