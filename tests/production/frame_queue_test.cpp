#include "production/frame_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Frames of 3 rows of 4 bytes, in a source 8 bytes per row; every byte holds the frame number.
std::vector<std::uint8_t> Picture(int frame) { return std::vector<std::uint8_t>(3 * 8, static_cast<std::uint8_t>(frame)); }

}  // namespace

TEST(FrameQueue, EveryFrameArrivesOnceWithItsNumberAndPixels) {
    for (unsigned workers : {1u, 3u}) {
        std::mutex mutex;
        std::vector<int> seen;  // frame numbers in the order written
        bool pixelsRight = true;
        {
            FrameQueue queue(4, 3, workers, workers + 1,
                             [&](unsigned, std::int64_t frame, const std::uint8_t* pixels, int pitch) {
                                 std::lock_guard<std::mutex> lock(mutex);
                                 for (int y = 0; y < 3; ++y)
                                     for (int x = 0; x < 4; ++x)
                                         pixelsRight &= pixels[y * pitch + x] == static_cast<std::uint8_t>(frame);
                                 seen.push_back(static_cast<int>(frame));
                                 return std::string();
                             });
            for (int frame = 0; frame < 50; ++frame) ASSERT_TRUE(queue.Push(Picture(frame).data(), 8));
            std::string error;
            ASSERT_TRUE(queue.Finish(error)) << error;
        }
        EXPECT_TRUE(pixelsRight) << workers;
        ASSERT_EQ(seen.size(), 50u);
        if (workers == 1) {  // one worker: in order, as a pipe needs
            for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[i], i);
        }
        std::sort(seen.begin(), seen.end());
        for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[i], i);
    }
}

// A picture smaller than the frame lands at its place in every frame, in every reused buffer,
// and the rest stays zero.
TEST(FrameQueue, APlacedPictureKeepsTheRestOfTheFrameZero) {
    bool right = true;
    int written = 0;
    {
        // Frames of 3 rows of 6 bytes; the picture, 2 rows of 4 bytes, from byte 1 of row 1.
        FrameQueue queue(6, 3, FrameQueue::Placement{1, 1, 4, 2}, 1, 3,
                         [&](unsigned, std::int64_t frame, const std::uint8_t* pixels, int pitch) {
                             for (int y = 0; y < 3; ++y)
                                 for (int x = 0; x < 6; ++x) {
                                     const bool inside = y >= 1 && x >= 1 && x < 5;
                                     right &= pixels[y * pitch + x] == (inside ? 1 + frame % 250 : 0);
                                 }
                             ++written;
                             return std::string();
                         });
        for (int frame = 0; frame < 20; ++frame) ASSERT_TRUE(queue.Push(Picture(1 + frame).data(), 8));
        std::string error;
        ASSERT_TRUE(queue.Finish(error)) << error;
    }
    EXPECT_TRUE(right);
    EXPECT_EQ(written, 20);
}

TEST(FrameQueue, PushWaitsWhileEveryBufferIsTaken) {
    std::atomic<bool> release{false};
    std::atomic<int> pushed{0};
    FrameQueue queue(4, 3, 1, 2, [&](unsigned, std::int64_t, const std::uint8_t*, int) {
        while (!release) std::this_thread::yield();
        return std::string();
    });
    std::thread drawer([&] {
        for (int frame = 0; frame < 4; ++frame) {
            queue.Push(Picture(frame).data(), 8);
            ++pushed;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(pushed, 2);  // two buffers: the third frame waits
    release = true;
    drawer.join();
    std::string error;
    EXPECT_TRUE(queue.Finish(error));
}

TEST(FrameQueue, TheEarliestFailureIsReportedAndStopsTheQueue) {
    FrameQueue queue(4, 3, 2, 3, [&](unsigned, std::int64_t frame, const std::uint8_t*, int) {
        return frame == 5 || frame == 6 ? "cannot write frame_00000" + std::to_string(frame) + ".png" : std::string();
    });
    int accepted = 0;
    for (int frame = 0; frame < 100; ++frame) {
        if (!queue.Push(Picture(frame).data(), 8)) break;
        ++accepted;
    }
    EXPECT_LT(accepted, 100);
    std::string error;
    EXPECT_FALSE(queue.Finish(error));
    EXPECT_EQ(error, "recorded frame 5: cannot write frame_000005.png");
}
