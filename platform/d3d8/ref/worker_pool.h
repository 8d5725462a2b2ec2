// A fixed set of threads, created once per rasterizer, that share out one job at a time.
// Run(job, context, parts) calls job(context, part) once for every part 0..parts-1 and
// returns when all have finished. The calling thread takes parts too, so a job completes
// even while the helper threads wait for a processor. Start hands a job to the helpers and
// returns at once, so the calling thread can do other work; Wait then takes the parts still
// unclaimed and returns when all have finished. Nothing is allocated per job.
//
// Jobs come in quick succession (a frame has hundreds of draws), and falling asleep and being
// woken costs more than many parts, so a thread about to wait first watches for a short while
// whether what it waits for has come.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace d3d8::ref {

// Threads for a new pool: MORVELT_THREADS when it holds a whole number 1..kMaxWorkers,
// otherwise the processor count (at least 1, at most kMaxWorkers).
constexpr unsigned kMaxWorkers = 64;
unsigned DefaultWorkerCount();

class WorkerPool {
public:
    using Job = void (*)(void* context, unsigned part);

    explicit WorkerPool(unsigned threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned Threads() const { return static_cast<unsigned>(helpers_.size()) + 1; }
    void Run(Job job, void* context, unsigned parts) {
        Start(job, context, parts);
        Wait();
    }
    // Waits for the job before, then starts this one (context must live until it is waited for).
    void Start(Job job, void* context, unsigned parts);
    void Wait();
    // True when no job is started and not yet waited for.
    bool Idle() const { return !started_; }

private:
    void HelperLoop();
    // Runs parts of the current job until none is left unclaimed.
    void TakeParts(std::unique_lock<std::mutex>& lock);

    std::vector<std::thread> helpers_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    Job job_ = nullptr;
    void* context_ = nullptr;
    unsigned parts_ = 0, claimed_ = 0, finished_ = 0;
    std::uint64_t generation_ = 0;  // grows with every job
    // Copies of generation_ and finished_ for watching without the lock.
    std::atomic<std::uint64_t> publishedGeneration_{0};
    std::atomic<unsigned> publishedFinished_{0};
    bool stopping_ = false;
    bool started_ = false;  // a job was started and not yet waited for (the calling thread's view)
};

}  // namespace d3d8::ref
