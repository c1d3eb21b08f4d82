#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace linnery {

// The threads a command's heavy passes share: the calling thread and threads()-1 workers, started the
// first time they are wanted and kept until the pool goes. One pool is made from the user's setting
// (LINNERY_THREADS, --threads) and handed down with the documents' text context; nothing reads a
// process-wide count. A pass is cut into parts that do not depend on the thread count, so its result
// never does either.
class ThreadPool {
  public:
    // f(part, slot) for one part; `slot` (0..threads()-1) names the thread running it, for scratch space
    // of its own, and must not decide anything the result depends on.
    using Work = std::function<void(std::size_t part, std::size_t slot)>;

    // threads 0 means one per core. `splitSmall` shares out even the smallest work, in the smallest parts
    // (for tests: every cut is exercised on a few items).
    explicit ThreadPool(unsigned threads = 0, bool splitSmall = false);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    unsigned threads() const { return threads_; }
    // Whether work of `size` is worth sharing, for work that pays from `threshold` on.
    bool shares(std::size_t size, std::size_t threshold) const {
        return threads_ > 1 && size >= (splitSmall_ ? 2 : threshold);
    }
    // The least part size for work whose parts pay from `grain` on.
    std::size_t grain(std::size_t grain) const { return splitSmall_ ? 1 : grain; }

    // Runs f for parts 0..parts-1 and returns when all have ended; the calling thread takes parts too.
    // Every part runs; the error of the lowest part that failed is thrown here once all have ended. A
    // call from inside a part, from another thread while the pool is busy, or when no worker can be
    // started runs every part on the calling thread, in order.
    void run(std::size_t parts, const Work& f) const;

    // Half-open ranges [begin, end) cutting 0..n into parts of at least `grain` items (the last may be
    // shorter), as many as make a few per thread; starts are multiples of `align`. The cut depends only
    // on n, grain and align.
    static std::vector<std::pair<std::size_t, std::size_t>> ranges(std::size_t n, std::size_t grain,
                                                                   std::size_t align = 1);

    // A pool of the calling thread alone, for work handed no pool (small texts, the clipboard).
    static const ThreadPool& single();

  private:
    void startWorkers() const;
    void workerLoop(std::size_t slot) const;
    // Takes and runs parts of the current job until none is left.
    void takeParts(std::size_t slot) const;

    const unsigned threads_;
    const bool splitSmall_;
    mutable std::mutex busy_; // one job at a time
    mutable std::mutex mutex_;
    mutable std::condition_variable wake_, done_;
    mutable std::vector<std::thread> workers_;
    mutable bool started_ = false, stopping_ = false;
    // The current job, guarded by mutex_.
    mutable const Work* job_ = nullptr;
    mutable std::size_t parts_ = 0, next_ = 0, ended_ = 0;
    mutable std::uint64_t generation_ = 0;
    mutable std::vector<std::exception_ptr> errors_;
};

} // namespace linnery
