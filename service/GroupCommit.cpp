#include "service/GroupCommit.h"

namespace zuneigo::service {

TGroupCommit::TGroupCommit(TAdStore& store, platform::HWND window, platform::UINT message)
    : store_(store),
      window_(window),
      message_(message),
      thread_([this] { Run(); })
{
}

TGroupCommit::~TGroupCommit()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TGroupCommit::Submit(std::uint64_t ticket, std::string record)
{
    {
        std::lock_guard lock(mutex_);
        tickets_.push_back(ticket);
        records_ += record;
    }
    wake_.notify_one();
}

std::vector<TGroupCommit::Outcome> TGroupCommit::TakeOutcomes()
{
    std::lock_guard lock(mutex_);
    return std::exchange(outcomes_, {});
}

std::uint64_t TGroupCommit::StoredCount() const
{
    std::lock_guard lock(mutex_);
    return stored_;
}

void TGroupCommit::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !tickets_.empty(); });
        if (tickets_.empty()) return; // stopped with nothing left
        std::vector<std::uint64_t> tickets = std::exchange(tickets_, {});
        const std::string records = std::exchange(records_, {});
        lock.unlock();
        const bool stored = store_.AppendRecords(records, tickets.size());
        lock.lock();
        for (std::uint64_t t : tickets)
            outcomes_.push_back(Outcome{t, stored});
        if (stored) stored_ += tickets.size();
        lock.unlock();
        platform::PostMessage(window_, message_, 0, 0);
        lock.lock();
    }
}

} // namespace zuneigo::service
