#include "production/frame_queue.h"

#include <cstring>

FrameQueue::FrameQueue(unsigned rowBytes, unsigned rows, unsigned workers, unsigned depth, WriteFunction write)
    : FrameQueue(rowBytes, rows, Placement{0, 0, rowBytes, rows}, workers, depth, std::move(write)) {}

FrameQueue::FrameQueue(unsigned rowBytes, unsigned rows, Placement picture, unsigned workers, unsigned depth,
                       WriteFunction write)
    : m_rowBytes(rowBytes),
      m_rows(rows),
      m_picture(picture),
      m_frameBytes(static_cast<std::size_t>(rowBytes) * rows),
      m_depth(depth < workers + 1 ? workers + 1 : depth),
      m_write(std::move(write)),
      m_buffers(m_frameBytes * m_depth),
      m_done(m_depth, false) {
    for (unsigned i = 0; i < workers; ++i) m_workers.emplace_back(&FrameQueue::Work, this, i);
}

FrameQueue::~FrameQueue() {
    std::string ignored;
    Finish(ignored);
}

bool FrameQueue::Push(const std::uint8_t* pixels, int pitch) {
    std::int64_t frame;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_failedFrame >= 0 || m_pushed - m_released < m_depth; });
        if (m_failedFrame >= 0) return false;
        frame = m_pushed;
    }
    // Only this thread fills slots, and the slot of `frame` is released: copy without the lock.
    std::uint8_t* slot = Slot(frame) + static_cast<std::size_t>(m_picture.top) * m_rowBytes + m_picture.left;
    for (unsigned y = 0; y < m_picture.rows; ++y)
        std::memcpy(slot + static_cast<std::size_t>(y) * m_rowBytes, pixels + static_cast<std::ptrdiff_t>(y) * pitch,
                    m_picture.rowBytes);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_pushed;
    }
    m_changed.notify_all();
    return true;
}

void FrameQueue::Work(unsigned worker) {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_taken < m_pushed || m_closing; });
        if (m_taken == m_pushed) return;  // closing, and nothing left
        const std::int64_t frame = m_taken++;
        const bool skip = m_failedFrame >= 0;
        lock.unlock();
        std::string error = skip ? std::string() : m_write(worker, frame, Slot(frame), static_cast<int>(m_rowBytes));
        lock.lock();
        if (!error.empty() && (m_failedFrame < 0 || frame < m_failedFrame)) {
            m_failedFrame = frame;
            m_error = "recorded frame " + std::to_string(frame) + ": " + error;
        }
        m_done[frame % m_depth] = true;
        while (m_released < m_pushed && m_done[m_released % m_depth]) m_done[m_released++ % m_depth] = false;
        m_changed.notify_all();
    }
}

bool FrameQueue::Finish(std::string& error) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers)
        if (worker.joinable()) worker.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_failedFrame < 0) return true;
    error = m_error;
    return false;
}
