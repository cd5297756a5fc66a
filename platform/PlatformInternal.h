#pragma once
// Shared state of the platform layer: the windows, the per-thread queues and the socket
// registrations. One mutex guards all of it; contention is low (the owner thread, plus
// lookup helpers and cross-thread posts).
#include "platform/HostLookup.h"
#include "platform/Messages.h"
#include "platform/SocketApi.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace zuneigo::platform::detail {

enum class MessageKind { Plain,
                         Socket,
                         Lookup };

struct QueuedMessage {
    MSG msg;
    MessageKind kind = MessageKind::Plain;
    std::intptr_t tag = 0; // socket descriptor or lookup handle
};

struct Registration;

struct ThreadQueue {
    std::deque<QueuedMessage> fifo;
    int epollFd = -1;
    int eventFd = -1;
    bool signalled = false; // eventFd holds a count (fifo not empty)
    bool alive = true;
    std::size_t sinceHarvest = 0;
    // Registrations whose notifications this queue collects, by registration id.
    std::unordered_map<std::uint64_t, std::shared_ptr<Registration>> sockets;
};

struct Window {
    HWND id = 0;
    std::shared_ptr<ThreadQueue> queue;
    std::shared_ptr<WindowProc> proc;
};

enum class Phase { Fresh,
                   Connecting,
                   Connected,
                   Listening,
                   Datagram,
                   Dead };

struct Registration {
    std::uint64_t id = 0;
    int fd = -1;
    HWND hwnd = 0;
    UINT message = 0;
    long mask = 0;
    std::shared_ptr<ThreadQueue> queue; // where its notifications go (null: none)
    Phase phase = Phase::Fresh;
    bool readEnabled = true;
    bool acceptEnabled = true;
    bool writeArmed = false;
    bool peerClosed = false;
    bool readShut = false;        // our own shutdown of the receiving side (how 0 or 2)
    int closeError = -1;          // the error of the close notification once it was queued
    std::uint32_t wakeEvents = 0; // epoll events that wake the owner whatever the mask says
    std::uint32_t interest = 0;   // events registered with queue->epollFd (0: not in it)
};

struct LookupRequest;

struct State {
    std::mutex mutex;
    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    HWND nextWindow = 1;
    std::vector<std::weak_ptr<ThreadQueue>> queues;
    std::unordered_map<int, std::shared_ptr<Registration>> sockets; // by descriptor
    std::uint64_t nextRegistration = 1;
    std::unordered_map<HANDLE, std::shared_ptr<LookupRequest>> lookups;
    HANDLE nextLookup = 1;
};

// The process-wide state (never destroyed, so late threads and exit handlers are safe).
State& GetState();
// The calling thread's queue, created on first use. Call with the mutex held.
std::shared_ptr<ThreadQueue> CurrentQueueLocked();

// Appends a message (mutex held) and signals the queue's descriptor.
void PushLocked(ThreadQueue& q, const QueuedMessage& m);
// Removes queued messages matching the predicate from every live queue (mutex held).
template <class Pred>
void PurgeLocked(State& s, Pred pred);
void UpdateSignalLocked(ThreadQueue& q);

// Socket notifications (SocketNotify.cpp).
// Collects ready socket events of q into its fifo; waits up to timeoutMs (0: no wait).
void HarvestSocketEvents(const std::shared_ptr<ThreadQueue>& q, int timeoutMs);
// Queues the notification of one event bit when the registration asks for it (mutex held).
void NotifyLocked(Registration& r, long bit, int error);
// The connection has ended: queues its one close notification and remembers it, so a
// later select (Resume after Pause) can repeat what a paused owner dropped (mutex held).
void NotifyCloseLocked(Registration& r, int error);
// Bytes one receive would return now (FIONREAD, but not stopped by an urgent byte at the
// front); 0, or -1 with errno set.
int StreamBytesReadable(int fd, int& count);
// A registration for a descriptor the platform has just handed out (socket or accept),
// replacing any left behind by a descriptor closed without WsCloseSocket (mutex held).
std::shared_ptr<Registration> FreshRegistrationLocked(State& s, int fd);
// Blocking forward lookup without starting the socket library (lookup helper threads run
// it after the library may have been stopped); records its error like the calls.
bool LookupHostName(const std::string& name, HostEntry& entry);
// Applies r->interest to its queue's epoll after a state change (mutex held).
void UpdateInterestLocked(Registration& r);
// Takes the registration out of its queue's epoll and socket table (mutex held).
void LeaveQueueLocked(Registration& r);
// Forgets the registration of a descriptor that is being closed (mutex held).
void DropRegistrationLocked(State& s, int fd);
// Called when a queue's thread ends (mutex held).
void DropQueueRegistrationsLocked(State& s, ThreadQueue& q);

// Lookups (HostLookup.cpp): a message was taken off the queue by this thread (handle:
// the lookup it reports, or 0 for any other message).
void LookupMessageTaken(HANDLE handle);
// Forgets the lookups that report to a window that is being destroyed (mutex held).
void DropWindowLookupsLocked(State& s, HWND hwnd);

template <class Pred>
void PurgeLocked(State& s, Pred pred)
{
    for (auto& weak : s.queues) {
        auto q = weak.lock();
        if (!q) continue;
        std::erase_if(q->fifo, pred);
        UpdateSignalLocked(*q);
    }
}

} // namespace zuneigo::platform::detail
