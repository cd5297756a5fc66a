// Timers: one helper thread sleeps until the next timer comes due and queues its WM_TIMER
// on the window's thread, like a lookup result. Everything is guarded by the platform's
// one mutex, so a kill and a post cannot cross.
#include "platform/Timer.h"

#include "platform/PlatformInternal.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <thread>

namespace zuneigo::platform {
namespace {

using Clock = std::chrono::steady_clock;

struct TimerEntry {
    std::chrono::milliseconds interval{1};
    Clock::time_point due;
};

using TimerKey = std::pair<HWND, WPARAM>;

struct Timers {
    std::map<TimerKey, TimerEntry> entries;
    std::condition_variable changed;
    bool threadStarted = false;
};

Timers& GetTimers()
{
    static Timers* timers = new Timers(); // never destroyed, like the platform state
    return *timers;
}

bool IsTimerMessage(const detail::QueuedMessage& m, const TimerKey& key)
{
    return m.msg.hwnd == key.first && m.msg.message == WM_TIMER && m.msg.wParam == key.second;
}

bool IsQueuedLocked(const detail::ThreadQueue& q, const TimerKey& key)
{
    return std::any_of(q.fifo.begin(), q.fifo.end(), [&](const detail::QueuedMessage& m) { return IsTimerMessage(m, key); });
}

void DropQueuedLocked(detail::State& s, const TimerKey& key)
{
    detail::PurgeLocked(s, [&](const detail::QueuedMessage& m) { return IsTimerMessage(m, key); });
}

void RunTimers()
{
    detail::State& s = detail::GetState();
    Timers& t = GetTimers();
    std::unique_lock lock(s.mutex);
    for (;;) {
        if (t.entries.empty()) {
            t.changed.wait(lock);
            continue;
        }
        auto next = std::min_element(t.entries.begin(), t.entries.end(),
                                     [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
        const Clock::time_point now = Clock::now();
        if (next->second.due > now) {
            // A copy: the entry may be killed while the lock is released.
            const Clock::time_point due = next->second.due;
            t.changed.wait_until(lock, due);
            continue;
        }
        auto w = s.windows.find(next->first.first);
        if (w == s.windows.end()) {
            t.entries.erase(next); // the window is gone: so is its timer
            continue;
        }
        detail::ThreadQueue& q = *w->second->queue;
        if (!IsQueuedLocked(q, next->first))
            detail::PushLocked(q, detail::QueuedMessage{MSG{next->first.first, WM_TIMER, next->first.second, 0}});
        // The next period counts from now: a late thread gets no burst of catch-ups.
        next->second.due = now + next->second.interval;
    }
}

} // namespace

bool SetTimer(HWND hwnd, WPARAM id, unsigned intervalMs)
{
    detail::State& s = detail::GetState();
    Timers& t = GetTimers();
    std::lock_guard lock(s.mutex);
    if (!s.windows.count(hwnd)) return false;
    TimerEntry& e = t.entries[{hwnd, id}];
    e.interval = std::chrono::milliseconds(std::max(1u, intervalMs));
    e.due = Clock::now() + e.interval;
    if (!t.threadStarted) {
        std::thread(RunTimers).detach();
        t.threadStarted = true;
    }
    t.changed.notify_all();
    return true;
}

bool KillTimer(HWND hwnd, WPARAM id)
{
    detail::State& s = detail::GetState();
    Timers& t = GetTimers();
    std::lock_guard lock(s.mutex);
    const bool running = t.entries.erase({hwnd, id}) > 0;
    DropQueuedLocked(s, {hwnd, id});
    t.changed.notify_all();
    return running;
}

} // namespace zuneigo::platform
