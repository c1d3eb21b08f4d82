#include "core/parallel/ThreadPool.h"

#include <algorithm>
#include <system_error>

namespace linnery {

namespace {

// The pool whose part this thread is running, if any: a pass started from inside a part runs in place.
thread_local const ThreadPool* runningIn = nullptr;

struct RunningIn {
    explicit RunningIn(const ThreadPool* pool) : before(runningIn) { runningIn = pool; }
    ~RunningIn() { runningIn = before; }
    RunningIn(const RunningIn&) = delete;
    RunningIn& operator=(const RunningIn&) = delete;
    const ThreadPool* before;
};

} // namespace

ThreadPool::ThreadPool(unsigned threads, bool splitSmall)
    : threads_(threads > 0 ? threads : std::max(1u, std::thread::hardware_concurrency())),
      splitSmall_(splitSmall) {}

ThreadPool::~ThreadPool() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

const ThreadPool& ThreadPool::single() {
    static const ThreadPool pool(1);
    return pool;
}

std::vector<std::pair<std::size_t, std::size_t>> ThreadPool::ranges(std::size_t n, std::size_t grain,
                                                                    std::size_t align) {
    // A fixed number of parts, so that a slow thread (a busy machine) is made up for by the others and the
    // cut is the same whatever the thread count.
    constexpr std::size_t kParts = 64;
    grain = std::max<std::size_t>(grain, 1);
    align = std::max<std::size_t>(align, 1);
    std::size_t size = std::max(grain, (n + kParts - 1) / kParts);
    size = (size + align - 1) / align * align;
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t begin = 0; begin < n; begin += size)
        out.emplace_back(begin, std::min(n, begin + size));
    return out;
}

void ThreadPool::startWorkers() const {
    started_ = true;
    for (std::size_t slot = 1; slot < threads_; ++slot) {
        try {
            workers_.emplace_back([this, slot] { workerLoop(slot); });
        } catch (const std::system_error&) {
            break; // fewer workers: the calling thread takes what they leave
        }
    }
}

void ThreadPool::workerLoop(std::size_t slot) const {
    const RunningIn in(this);
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (job_ && generation_ != seen); });
        if (stopping_)
            return;
        seen = generation_;
        lock.unlock();
        takeParts(slot);
        lock.lock();
    }
}

void ThreadPool::takeParts(std::size_t slot) const {
    std::unique_lock lock(mutex_);
    while (job_ && next_ < parts_) {
        const std::size_t part = next_++;
        const Work& f = *job_;
        lock.unlock();
        std::exception_ptr failed;
        try {
            f(part, slot);
        } catch (...) {
            failed = std::current_exception();
        }
        lock.lock();
        errors_[part] = failed;
        if (++ended_ == parts_)
            done_.notify_all();
    }
}

void ThreadPool::run(std::size_t parts, const Work& f) const {
    std::unique_lock busy(busy_, std::defer_lock);
    const bool inPlace = threads_ == 1 || parts < 2 || runningIn == this || !busy.try_lock();
    if (!inPlace && !started_)
        startWorkers();
    if (inPlace || workers_.empty()) {
        std::exception_ptr first;
        for (std::size_t part = 0; part < parts; ++part) {
            try {
                f(part, 0);
            } catch (...) {
                if (!first)
                    first = std::current_exception();
            }
        }
        if (first)
            std::rethrow_exception(first);
        return;
    }
    const RunningIn in(this);
    {
        const std::lock_guard lock(mutex_);
        job_ = &f;
        parts_ = parts;
        next_ = ended_ = 0;
        errors_.assign(parts, nullptr);
        ++generation_;
    }
    wake_.notify_all();
    takeParts(0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return ended_ == parts_; });
    job_ = nullptr;
    for (const std::exception_ptr& e : errors_)
        if (e) {
            const std::exception_ptr first = e;
            errors_.clear();
            std::rethrow_exception(first);
        }
}

} // namespace linnery
