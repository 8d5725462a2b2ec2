// Frames handed from the drawing thread to writer threads. Push copies a frame into one of a
// fixed set of buffers and returns, waiting only while every buffer still holds a frame not
// yet written (back-pressure); the workers take the frames in the order pushed and pass each
// to `write` with its number, so the drawing of the next frame overlaps the writing of this
// one. With one worker the frames are also written in order (a pipe); with several, frames
// are written side by side, each knowing its own number (one file each). A pushed picture may
// be smaller than the frame: it lands at its place in every frame, and the rest of the frame,
// zeroed once when the buffers are made, stays zero (black bars) at no cost per frame.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FrameQueue {
public:
    // Writes frame `frame` (0 = the first pushed) on worker `worker` (0..workers-1): rows of
    // `rowBytes`, `pitch` bytes apart. Returns what went wrong, or an empty text.
    using WriteFunction =
        std::function<std::string(unsigned worker, std::int64_t frame, const std::uint8_t* pixels, int pitch)>;

    // Where each pushed picture lies in its frame: `rows` rows of `rowBytes` bytes, from byte
    // `left` of row `top`.
    struct Placement {
        unsigned left = 0;
        unsigned top = 0;
        unsigned rowBytes = 0;
        unsigned rows = 0;
    };

    // Buffers for `depth` frames of `rows` rows of `rowBytes` bytes, allocated here once,
    // taking pictures that fill the frame.
    FrameQueue(unsigned rowBytes, unsigned rows, unsigned workers, unsigned depth, WriteFunction write);
    // The same, taking pictures placed as `picture` says (within the frame).
    FrameQueue(unsigned rowBytes, unsigned rows, Placement picture, unsigned workers, unsigned depth,
               WriteFunction write);
    ~FrameQueue();  // finishes what was pushed
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Copies the next frame in. False once any frame has failed (nothing more is taken).
    bool Push(const std::uint8_t* pixels, int pitch);

    // Waits until every pushed frame is written and stops the workers. False with the error of
    // the earliest frame that failed.
    bool Finish(std::string& error);

private:
    void Work(unsigned worker);
    std::uint8_t* Slot(std::int64_t frame) { return m_buffers.data() + (frame % m_depth) * m_frameBytes; }

    const unsigned m_rowBytes;
    const unsigned m_rows;
    const Placement m_picture;
    const std::size_t m_frameBytes;
    const unsigned m_depth;
    const WriteFunction m_write;
    std::vector<std::uint8_t> m_buffers;  // m_depth frames, frame n in slot n % m_depth
    std::vector<std::thread> m_workers;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::int64_t m_pushed = 0;    // frames copied in
    std::int64_t m_taken = 0;     // frames a worker has started on
    std::int64_t m_released = 0;  // frames whose buffer may be reused: all below this are written
    std::vector<bool> m_done;     // per slot: written, waiting for the frames before it
    bool m_closing = false;
    std::int64_t m_failedFrame = -1;  // earliest failure
    std::string m_error;
};
