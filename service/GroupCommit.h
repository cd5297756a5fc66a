#pragma once
// Group commit: submitted records are appended and flushed by one writer thread. Records
// that arrive while a flush runs wait and go out together in the next write and flush,
// so many submitters share one fdatasync. Each outcome reaches the loop thread only as a
// posted message to its window; the window's handler then takes the outcomes.
#include "platform/Messages.h"
#include "service/AdStore.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zuneigo::service {

class TGroupCommit {
public:
    struct Outcome {
        std::uint64_t ticket;
        bool stored;
    };

    // Outcomes are announced with message to window (posted once per finished batch).
    TGroupCommit(TAdStore& store, platform::HWND window, platform::UINT message);
    // Stores what was submitted and not yet written, then ends the thread.
    ~TGroupCommit();
    TGroupCommit(const TGroupCommit&) = delete;
    TGroupCommit& operator=(const TGroupCommit&) = delete;

    // One whole record; its outcome comes back under the ticket.
    void Submit(std::uint64_t ticket, std::string record);
    // The outcomes finished since the last call (loop thread, on the message).
    std::vector<Outcome> TakeOutcomes();
    // Records stored so far.
    std::uint64_t StoredCount() const;

private:
    void Run();

    TAdStore& store_;
    const platform::HWND window_;
    const platform::UINT message_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::uint64_t> tickets_;
    std::string records_;
    std::vector<Outcome> outcomes_;
    std::uint64_t stored_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace zuneigo::service
