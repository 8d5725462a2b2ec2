#include "platform/d3d8/ref/worker_pool.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace d3d8::ref {

namespace {

constexpr auto kWatchTime = std::chrono::microseconds(200);

// Returns once ready() holds or kWatchTime has passed, without giving up the processor.
template <class Ready>
void WatchFor(Ready ready) {
    const auto until = std::chrono::steady_clock::now() + kWatchTime;
    for (unsigned n = 1; !ready(); ++n) {
#if defined(__SSE2__)
        _mm_pause();
#endif
        if (n % 64 == 0 && std::chrono::steady_clock::now() >= until) return;
    }
}

}  // namespace

unsigned DefaultWorkerCount() {
    if (const char* text = std::getenv("MORVELT_THREADS")) {
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(text, &end, 10);
        if (errno == 0 && end != text && *end == '\0' && n >= 1 && n <= static_cast<long>(kMaxWorkers))
            return static_cast<unsigned>(n);
    }
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxWorkers);
}

WorkerPool::WorkerPool(unsigned threads) {
    threads = std::clamp(threads, 1u, kMaxWorkers);
    helpers_.reserve(threads - 1);
    for (unsigned i = 1; i < threads; ++i) helpers_.emplace_back([this] { HelperLoop(); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : helpers_) t.join();
}

void WorkerPool::Start(Job job, void* context, unsigned parts) {
    Wait();
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = job;
    context_ = context;
    parts_ = parts;
    claimed_ = finished_ = 0;
    publishedFinished_.store(0, std::memory_order_relaxed);
    started_ = true;
    if (helpers_.empty() || parts <= 1) return;  // Wait runs it all on the calling thread
    ++generation_;
    publishedGeneration_.store(generation_, std::memory_order_release);
    wake_.notify_all();
}

void WorkerPool::Wait() {
    if (!started_) return;
    started_ = false;
    std::unique_lock<std::mutex> lock(mutex_);
    TakeParts(lock);
    if (const unsigned parts = parts_; finished_ != parts) {
        lock.unlock();
        WatchFor([&] { return publishedFinished_.load(std::memory_order_acquire) == parts; });
        lock.lock();
    }
    done_.wait(lock, [this] { return finished_ == parts_; });
}

void WorkerPool::TakeParts(std::unique_lock<std::mutex>& lock) {
    while (claimed_ < parts_) {
        const unsigned part = claimed_++;
        const Job job = job_;
        void* context = context_;
        lock.unlock();
        job(context, part);
        lock.lock();
        publishedFinished_.store(++finished_, std::memory_order_release);
        if (finished_ == parts_) done_.notify_all();
    }
}

void WorkerPool::HelperLoop() {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (!stopping_ && generation_ == seen) {
            lock.unlock();
            WatchFor([&] { return publishedGeneration_.load(std::memory_order_acquire) != seen; });
            lock.lock();
        }
        wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
        if (stopping_) return;
        seen = generation_;
        TakeParts(lock);
    }
}

}  // namespace d3d8::ref
