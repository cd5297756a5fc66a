#include "app/core/ParallelJobs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace zuneigo;

TEST(RunJobs, RunsEveryJobOnceAndReturnsWhenAllAreDone)
{
    for (const std::size_t jobs : {0u, 1u, 2u, 3u, 100u}) {
        for (int round = 0; round < 50; ++round) {
            std::vector<std::atomic<int>> runs(jobs);
            RunJobs(jobs, [&](std::size_t i) { runs[i].fetch_add(1); });
            for (std::size_t i = 0; i < jobs; ++i)
                ASSERT_EQ(runs[i].load(), 1) << jobs << " jobs, job " << i;
        }
    }
}
