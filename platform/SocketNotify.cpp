// The socket notifications: the stand-in for the asynchronous select over epoll.
//
// Each selected socket has a registration that remembers what the program has been told
// and what it has done since (read re-enabled by a receive, write armed by a send that
// would block, ...). Its epoll interest is exactly the set of events that may produce the
// next notification, so a ready socket that has nothing to report is not watched and an
// idle wait never wakes up for nothing.
#include "platform/PlatformInternal.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zuneigo::platform::detail {

namespace {

// The events that may produce the next notification of the selected mask.
std::uint32_t SelectedInterest(const Registration& r)
{
    if (r.hwnd == 0 || r.mask == 0) return 0;
    std::uint32_t ev = 0;
    switch (r.phase) {
    case Phase::Fresh:
        return 0;
    case Phase::Dead:
        // After the peer's orderly close the connection still carries what we send: a send
        // that would block gets its write notification, as before the close.
        return (r.closeError == 0 && (r.mask & FD_WRITE) && r.writeArmed) ? std::uint32_t{EPOLLOUT} : 0u;
    case Phase::Connecting:
        return std::uint32_t{EPOLLOUT};
    case Phase::Listening:
        return ((r.mask & FD_ACCEPT) && r.acceptEnabled) ? std::uint32_t{EPOLLIN} : 0u;
    case Phase::Datagram:
        if ((r.mask & FD_READ) && r.readEnabled) ev |= EPOLLIN;
        if ((r.mask & FD_WRITE) && r.writeArmed) ev |= EPOLLOUT;
        return ev;
    case Phase::Connected:
        if (r.peerClosed) {
            // Readable now means data or the end; both need a look once reading is allowed.
            if (r.readEnabled && (r.mask & (FD_READ | FD_CLOSE))) ev |= EPOLLIN;
        } else if (!r.readShut) {
            if ((r.mask & FD_READ) && r.readEnabled) ev |= EPOLLIN;
            if (r.mask & FD_CLOSE) ev |= EPOLLRDHUP;
        } else if (r.mask & FD_CLOSE) {
            ev |= EPOLLRDHUP; // nothing more is read; only the peer's close is news
        }
        if ((r.mask & FD_WRITE) && r.writeArmed) ev |= EPOLLOUT;
        // After our own read shutdown the socket reads as ended (and, shut both ways, as hung
        // up) for good: only changes are worth a look, or the wait would never sleep.
        if (r.readShut && ev != 0) ev |= EPOLLET;
        return ev;
    }
    return 0;
}

std::uint32_t ComputeInterest(const Registration& r)
{
    if (!r.queue || !r.queue->alive) return 0;
    return SelectedInterest(r) | r.wakeEvents;
}

// True once the peer has finished sending (its FIN arrived, or the connection is over).
// Our own read shutdown shows the same signs on the socket; the connection's state does not.
bool PeerFinished(int fd)
{
    tcp_info info{};
    socklen_t len = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len) < 0) return true;
    switch (info.tcpi_state) {
    case TCP_CLOSE_WAIT:
    case TCP_LAST_ACK:
    case TCP_CLOSING:
    case TCP_TIME_WAIT:
    case TCP_CLOSE:
        return true;
    default:
        return false;
    }
}

int PendingError(int fd)
{
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0) return errno;
    return err;
}

int Readable(int fd)
{
    int n = 0;
    return StreamBytesReadable(fd, n) < 0 ? 0 : n;
}

// Turns the epoll events of one registration into notifications (mutex held).
void HandleEvents(Registration& r, std::uint32_t events)
{
    if (r.wakeEvents != 0) {
        // A wait of the owner asked to be woken (whatever the mask): anything ready will do.
        r.wakeEvents = 0;
        PushLocked(*r.queue, QueuedMessage{MSG{0, WM_NULL, 0, 0}, MessageKind::Socket, r.fd});
    }
    switch (r.phase) {
    case Phase::Fresh:
        break;
    case Phase::Dead:
        if (r.closeError != 0) break;
        // Still sending after the peer's orderly close: a reset now is reported at once.
        if (events & EPOLLERR) {
            if (const int err = PendingError(r.fd)) {
                NotifyCloseLocked(r, ErrnoToWsaError(err));
                break;
            }
        }
        if ((events & EPOLLOUT) && r.writeArmed) {
            r.writeArmed = false;
            NotifyLocked(r, FD_WRITE, 0);
        }
        break;
    case Phase::Connecting: {
        int err = PendingError(r.fd);
        if (err == 0 && (events & (EPOLLERR | EPOLLHUP))) err = ECONNREFUSED;
        if (err == 0) {
            r.phase = Phase::Connected;
            NotifyLocked(r, FD_CONNECT, 0);
            NotifyLocked(r, FD_WRITE, 0);
            r.writeArmed = false;
        } else {
            r.phase = Phase::Dead;
            NotifyLocked(r, FD_CONNECT, ErrnoToWsaError(err));
        }
        break;
    }
    case Phase::Listening:
        if (events & EPOLLIN) {
            r.acceptEnabled = false;
            NotifyLocked(r, FD_ACCEPT, 0);
        }
        break;
    case Phase::Datagram:
        // An ICMP error on a datagram socket stays pending (and keeps epoll ready) until
        // read; the next receive would report it anyway, so clear it here.
        if (events & EPOLLERR) PendingError(r.fd);
        if ((events & EPOLLIN) && r.readEnabled && (r.mask & FD_READ)) {
            r.readEnabled = false;
            NotifyLocked(r, FD_READ, 0);
        }
        if ((events & EPOLLOUT) && r.writeArmed) {
            r.writeArmed = false;
            NotifyLocked(r, FD_WRITE, 0);
        }
        break;
    case Phase::Connected: {
        if (events & EPOLLERR) {
            // A reset or another failure of the connection: reported at once.
            int err = PendingError(r.fd);
            if (err != 0) {
                NotifyCloseLocked(r, ErrnoToWsaError(err));
                break;
            }
        }
        if (!r.peerClosed && (events & (EPOLLRDHUP | EPOLLHUP))) r.peerClosed = !r.readShut || PeerFinished(r.fd);
        // The count matters only once the peer has finished: before that, readable is
        // readable, and the receive finds out how much.
        int readable = 0;
        if (r.peerClosed) readable = Readable(r.fd);
        // Only the peer's close ends the stream: readable with nothing counted is data the
        // receive will find (behind an urgent byte), so it is announced like any other.
        if ((events & EPOLLIN) && (readable > 0 || !r.peerClosed) && r.readEnabled && (r.mask & FD_READ)) {
            r.readEnabled = false;
            NotifyLocked(r, FD_READ, 0);
        }
        if ((events & EPOLLOUT) && r.writeArmed) {
            r.writeArmed = false;
            NotifyLocked(r, FD_WRITE, 0);
        }
        if (r.peerClosed && readable == 0) {
            // The end of the stream with nothing left unread.
            NotifyCloseLocked(r, 0);
        } else if (r.peerClosed && !(r.mask & FD_READ)) {
            // Unread data nobody is told about: the close can never be reported in order.
            NotifyCloseLocked(r, 0);
        }
        break;
    }
    }
}

} // namespace

void NotifyLocked(Registration& r, long bit, int error)
{
    if (!r.queue || r.hwnd == 0 || !(r.mask & bit)) return;
    QueuedMessage m;
    m.msg = MSG{r.hwnd, r.message, static_cast<WPARAM>(r.fd),
                MakeLParam(static_cast<std::uint16_t>(bit), static_cast<std::uint16_t>(error))};
    m.kind = MessageKind::Socket;
    m.tag = r.fd;
    PushLocked(*r.queue, m);
}

void NotifyCloseLocked(Registration& r, int error)
{
    r.phase = Phase::Dead;
    r.closeError = error;
    NotifyLocked(r, FD_CLOSE, error);
}

int StreamBytesReadable(int fd, int& count)
{
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) < 0) return -1;
    if (n == 0) {
        // FIONREAD stops at an urgent byte kept out of the stream; at that mark a peek that
        // copies nothing counts what a receive returns (it steps over the urgent byte).
        int atMark = 0;
        if (::ioctl(fd, SIOCATMARK, &atMark) == 0 && atMark) {
            ssize_t m = ::recv(fd, nullptr, 1 << 30, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
            if (m > 0) n = static_cast<int>(m);
        }
    }
    count = n;
    return 0;
}

std::shared_ptr<Registration> FreshRegistrationLocked(State& s, int fd)
{
    DropRegistrationLocked(s, fd);
    auto r = std::make_shared<Registration>();
    r->id = s.nextRegistration++;
    r->fd = fd;
    s.sockets[fd] = r;
    return r;
}

void UpdateInterestLocked(Registration& r)
{
    std::uint32_t want = ComputeInterest(r);
    if (want == r.interest) return;
    int epfd = r.queue ? r.queue->epollFd : -1;
    if (epfd < 0) {
        r.interest = 0;
        return;
    }
    epoll_event ev{};
    ev.events = want;
    ev.data.u64 = r.id;
    if (want == 0) {
        ::epoll_ctl(epfd, EPOLL_CTL_DEL, r.fd, &ev);
    } else if (r.interest == 0) {
        if (::epoll_ctl(epfd, EPOLL_CTL_ADD, r.fd, &ev) < 0 && errno == EEXIST) ::epoll_ctl(epfd, EPOLL_CTL_MOD, r.fd, &ev);
    } else {
        ::epoll_ctl(epfd, EPOLL_CTL_MOD, r.fd, &ev);
    }
    r.interest = want;
}

void HarvestSocketEvents(const std::shared_ptr<ThreadQueue>& q, int timeoutMs)
{
    epoll_event events[64];
    int n;
    do {
        n = ::epoll_wait(q->epollFd, events, 64, timeoutMs);
    } while (n < 0 && errno == EINTR);
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    q->sinceHarvest = 0;
    for (int i = 0; i < n; ++i) {
        if (events[i].data.u64 == 0) continue; // the posted-message signal
        auto it = q->sockets.find(events[i].data.u64);
        if (it == q->sockets.end()) continue; // closed meanwhile
        Registration& r = *it->second;
        // The read interest may still be registered after its notification (below): what
        // is not wanted now is not news, and the wait that reported it drops it for good.
        const std::uint32_t wanted = ComputeInterest(r);
        const std::uint32_t ev = wanted == 0 ? 0 : events[i].events & (wanted | EPOLLERR | EPOLLHUP);
        const bool readWasEnabled = r.readEnabled;
        if (ev != 0) HandleEvents(r, ev);
        // A read notification is nearly always answered by a receive, which wants the
        // interest back at once: keeping it registered saves two epoll calls per
        // notification. Should the program not receive, the next wait reports it once
        // more and it is dropped then.
        if (readWasEnabled && !r.readEnabled && (r.interest & EPOLLIN) && ComputeInterest(r) == (r.interest & ~std::uint32_t{EPOLLIN})) continue;
        UpdateInterestLocked(r);
    }
}

void LeaveQueueLocked(Registration& r)
{
    if (r.interest != 0 && r.queue) {
        epoll_event ev{};
        ::epoll_ctl(r.queue->epollFd, EPOLL_CTL_DEL, r.fd, &ev);
    }
    r.interest = 0;
    if (r.queue) r.queue->sockets.erase(r.id);
}

void DropRegistrationLocked(State& s, int fd)
{
    auto it = s.sockets.find(fd);
    if (it != s.sockets.end()) {
        LeaveQueueLocked(*it->second);
        s.sockets.erase(it);
    }
    PurgeLocked(s, [fd](const QueuedMessage& m) { return m.kind == MessageKind::Socket && m.tag == fd; });
}

void DropQueueRegistrationsLocked(State& s, ThreadQueue& q)
{
    for (auto& [id, r] : q.sockets) {
        r->interest = 0;
        r->queue.reset();
        r->hwnd = 0;
        r->mask = 0;
    }
    q.sockets.clear();
    (void)s;
}

} // namespace zuneigo::platform::detail
