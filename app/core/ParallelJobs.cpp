#include "app/core/ParallelJobs.h"

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

namespace zuneigo {

namespace {

// Shared with the helper, which may outlive the call: it then only finds no job left.
struct JobQueue {
    explicit JobQueue(std::size_t count, const std::function<void(std::size_t)>& job)
        : jobs(count),
          work(&job)
    {
    }
    // Takes and runs jobs until none is left.
    void Drain()
    {
        for (std::size_t i = next.fetch_add(1); i < jobs; i = next.fetch_add(1)) {
            (*work)(i);
            if (done.fetch_add(1) + 1 == jobs)
                done.notify_all();
        }
    }
    const std::size_t jobs;
    const std::function<void(std::size_t)>* work; // only used for a job taken before the call returns
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
};

} // namespace

void RunJobs(std::size_t jobs, const std::function<void(std::size_t)>& work)
{
    if (jobs == 0)
        return;
    auto queue = std::make_shared<JobQueue>(jobs, work);
    if (jobs > 1) {
        try {
            std::thread([queue] { queue->Drain(); }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: the caller does it all.
        }
    }
    queue->Drain();
    // Jobs the helper took are running now; wait for those only.
    for (std::size_t d = queue->done.load(); d != jobs; d = queue->done.load())
        queue->done.wait(d);
}

} // namespace zuneigo
