// Sharing a draw among threads: the row shares cover every row exactly once, and the pool
// runs every part of a job exactly once whatever the number of threads.
#include "platform/d3d8/ref/ref_types.h"
#include "platform/d3d8/ref/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace d3d8::ref;

TEST(RefRowShare, SharesCoverEveryRowOnceFromAnyStart) {
    constexpr int kRows = 200;
    for (int count : {1, 2, 3, 8, 32})
        for (int start : {0, 5, 16, 47, 150}) {
            std::vector<int> seen(kRows, 0);
            for (int index = 0; index < count; ++index) {
                const RowShare rows{index, count};
                for (int y = rows.First(start); y < kRows; y = rows.Next(y)) {
                    ASSERT_TRUE(rows.Owns(y)) << count << " " << index << " " << y;
                    ++seen[y];
                }
            }
            for (int y = 0; y < kRows; ++y)
                ASSERT_EQ(seen[y], y >= start ? 1 : 0) << "count " << count << " start " << start << " row " << y;
        }
}

TEST(RefWorkerPool, RunsEveryPartOnceForAnyThreadCount) {
    for (unsigned threads : {1u, 2u, 8u}) {
        WorkerPool pool(threads);
        EXPECT_EQ(pool.Threads(), threads);
        for (unsigned parts : {0u, 1u, 3u, 40u}) {
            std::vector<std::atomic<int>> runs(parts);
            for (int job = 0; job < 50; ++job)
                pool.Run([](void* c, unsigned p) { ++(*static_cast<std::vector<std::atomic<int>>*>(c))[p]; }, &runs,
                         parts);
            for (unsigned p = 0; p < parts; ++p) EXPECT_EQ(runs[p].load(), 50) << threads << " threads, part " << p;
        }
    }
}
