#pragma once
// Runs a number of independent jobs on the calling thread and one helper thread. Each
// takes the next job as it becomes free, so a helper that the system starts late (the
// machine busy with other programs) costs nothing: the caller does the work alone and
// never waits for a thread that has not begun. The call returns when every job is done.
#include <cstddef>
#include <functional>

namespace zuneigo {

// work(i) for every i in [0, jobs), each exactly once, in no fixed order and possibly at
// the same time as another job. work must not throw.
void RunJobs(std::size_t jobs, const std::function<void(std::size_t)>& work);

} // namespace zuneigo
