// The per-thread message queues and hidden windows.
#include "platform/Messages.h"

#include "platform/PlatformInternal.h"

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zuneigo::platform {
namespace detail {

State& GetState()
{
    static State* state = new State(); // intentionally never destroyed
    return *state;
}

namespace {

// Closes the queue when its thread ends: its windows and registrations go with it.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder()
    {
        if (!queue) return;
        State& s = GetState();
        std::lock_guard lock(s.mutex);
        queue->alive = false;
        queue->fifo.clear();
        for (auto it = s.windows.begin(); it != s.windows.end();) {
            if (it->second->queue == queue) {
                DropWindowLookupsLocked(s, it->first);
                it = s.windows.erase(it);
            } else {
                ++it;
            }
        }
        DropQueueRegistrationsLocked(s, *queue);
        std::erase_if(s.queues, [&](const auto& w) {
            auto q = w.lock();
            return !q || q == queue;
        });
        ::close(queue->epollFd);
        ::close(queue->eventFd);
    }
};

thread_local QueueHolder tlsQueue;

} // namespace

std::shared_ptr<ThreadQueue> CurrentQueueLocked()
{
    if (tlsQueue.queue) return tlsQueue.queue;
    auto q = std::make_shared<ThreadQueue>();
    q->epollFd = ::epoll_create1(EPOLL_CLOEXEC);
    q->eventFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (q->epollFd < 0 || q->eventFd < 0) throw std::runtime_error("cannot create the message queue");
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = 0; // registration ids start at 1
    ::epoll_ctl(q->epollFd, EPOLL_CTL_ADD, q->eventFd, &ev);
    GetState().queues.push_back(q);
    tlsQueue.queue = q;
    return q;
}

void UpdateSignalLocked(ThreadQueue& q)
{
    if (!q.fifo.empty() && !q.signalled) {
        std::uint64_t one = 1;
        while (::write(q.eventFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
        q.signalled = true;
    } else if (q.fifo.empty() && q.signalled) {
        std::uint64_t count;
        while (::read(q.eventFd, &count, sizeof count) < 0 && errno == EINTR) {
        }
        q.signalled = false;
    }
}

void PushLocked(ThreadQueue& q, const QueuedMessage& m)
{
    if (!q.alive) return;
    q.fifo.push_back(m);
    UpdateSignalLocked(q);
}

} // namespace detail

using namespace detail;

HWND CreateHiddenWindow(WindowProc proc)
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    auto w = std::make_shared<Window>();
    w->queue = CurrentQueueLocked();
    w->proc = std::make_shared<WindowProc>(std::move(proc));
    do {
        w->id = s.nextWindow++;
    } while (w->id == 0 || s.windows.count(w->id));
    s.windows[w->id] = w;
    return w->id;
}

void DestroyWindow(HWND hwnd)
{
    State& s = GetState();
    std::shared_ptr<WindowProc> keep; // a running handler may still use it
    std::lock_guard lock(s.mutex);
    auto it = s.windows.find(hwnd);
    if (it == s.windows.end()) return;
    keep = it->second->proc;
    s.windows.erase(it);
    PurgeLocked(s, [&](const QueuedMessage& m) { return m.msg.hwnd == hwnd; });
    DropWindowLookupsLocked(s, hwnd);
    for (auto& [fd, r] : s.sockets) {
        if (r->hwnd == hwnd) {
            r->hwnd = 0;
            r->mask = 0;
            UpdateInterestLocked(*r);
        }
    }
}

bool IsWindow(HWND hwnd)
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    return s.windows.count(hwnd) != 0;
}

void SetWindowProc(HWND hwnd, WindowProc proc)
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    auto it = s.windows.find(hwnd);
    if (it != s.windows.end()) it->second->proc = std::make_shared<WindowProc>(std::move(proc));
}

namespace {

bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, MessageKind kind, std::intptr_t tag)
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    auto it = s.windows.find(hwnd);
    if (it == s.windows.end() || !it->second->queue->alive) return false;
    PushLocked(*it->second->queue, QueuedMessage{MSG{hwnd, message, wParam, lParam}, kind, tag});
    return true;
}

} // namespace

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Post(hwnd, message, wParam, lParam, MessageKind::Plain, 0);
}

bool PostSocketMessage(HWND hwnd, UINT message, int socket, LPARAM lParam)
{
    return Post(hwnd, message, static_cast<WPARAM>(socket), lParam, MessageKind::Socket, socket);
}

void PostQuitMessage(int exitCode)
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    auto q = CurrentQueueLocked();
    PushLocked(*q, QueuedMessage{MSG{0, WM_QUIT, static_cast<WPARAM>(exitCode), 0}, MessageKind::Plain, 0});
}

bool PeekMessage(MSG& msg, bool remove)
{
    State& s = GetState();
    std::shared_ptr<ThreadQueue> q;
    bool harvest;
    {
        std::lock_guard lock(s.mutex);
        q = CurrentQueueLocked();
        // Collect socket events when the queue is empty, and now and then otherwise, so
        // a stream of posted messages cannot starve the network. A look without taking
        // always collects, so that it sees everything that is pending.
        harvest = q->fifo.empty() || q->sinceHarvest >= 16 || !remove;
    }
    if (harvest) HarvestSocketEvents(q, 0);
    QueuedMessage m;
    {
        std::lock_guard lock(s.mutex);
        if (q->fifo.empty()) return false;
        m = q->fifo.front();
        if (remove) {
            q->fifo.pop_front();
            ++q->sinceHarvest;
            UpdateSignalLocked(*q);
        }
    }
    msg = m.msg;
    if (remove) LookupMessageTaken(m.kind == MessageKind::Lookup ? static_cast<HANDLE>(m.tag) : 0);
    return true;
}

LRESULT DispatchMessage(const MSG& msg)
{
    std::shared_ptr<WindowProc> proc;
    {
        State& s = GetState();
        std::lock_guard lock(s.mutex);
        auto it = s.windows.find(msg.hwnd);
        if (it != s.windows.end()) proc = it->second->proc;
    }
    if (!proc || !*proc) return DefWindowProc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    return (*proc)(msg.message, msg.wParam, msg.lParam);
}

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

bool WaitMessage(int timeoutMs)
{
    State& s = GetState();
    std::shared_ptr<ThreadQueue> q;
    {
        std::lock_guard lock(s.mutex);
        q = CurrentQueueLocked();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        {
            std::lock_guard lock(s.mutex);
            if (!q->fifo.empty()) return true;
        }
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        HarvestSocketEvents(q, wait);
        {
            std::lock_guard lock(s.mutex);
            if (!q->fifo.empty()) return true;
        }
        if (wait == 0) return false;
    }
}

bool GetMessage(MSG& msg)
{
    while (!PeekMessage(msg, true))
        WaitMessage(-1);
    return msg.message != WM_QUIT;
}

std::size_t PendingMessageCount()
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    return CurrentQueueLocked()->fifo.size();
}

int QueueFd()
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    return CurrentQueueLocked()->epollFd;
}

} // namespace zuneigo::platform
