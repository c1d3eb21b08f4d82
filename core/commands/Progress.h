#pragma once

#include "core/parallel/ThreadPool.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace linnery {

// The progress caption of the menu bar: "-" while idle, "37%" while a long command runs. The listener
// hears only real changes of the text, so the menu bar is redrawn at most once per percent.
class Progress {
  public:
    using Listener = std::function<void(const std::string& caption)>;

    void setListener(Listener listener) { listener_ = std::move(listener); }
    const std::string& caption() const { return caption_; }

    // Step s of a command whose denominator is d (d >= 1): s * 100 / d, truncated.
    void show(std::int64_t s, std::int64_t d) { showPercent(s * 100 / d); }
    void showPercent(std::int64_t percent) { setCaption(std::to_string(percent) + "%"); }
    // Shows the steps first..last (inclusive) of one loop in order; the same captions as one show() per
    // step, without building a string per step.
    void showSteps(std::int64_t first, std::int64_t last, std::int64_t d, int scale = 100, int offset = 0);
    void end() { setCaption("-"); }

    // Shows the steps of one loop as it runs: offset + s * scale / d, passed on only when the value
    // changes, so a loop over millions of lines builds about a hundred captions.
    class Stepper {
      public:
        Stepper(Progress& progress, std::int64_t d, int scale = 100, int offset = 0)
            : progress_(progress), d_(d), scale_(scale), offset_(offset) {}
        void step(std::int64_t s) {
            const std::int64_t value = s * scale_ / d_;
            if (value != last_) {
                last_ = value;
                progress_.showPercent(value + offset_);
            }
        }

      private:
        Progress& progress_;
        std::int64_t d_;
        int scale_;
        int offset_;
        std::int64_t last_ = -1;
    };

  private:
    void setCaption(const std::string& caption);

    std::string caption_ = "-";
    Listener listener_;
};

// f(part) for each part of `cut` (ranges of lines, in order) on the pool's threads, and step(i) for every
// line i of the parts, in order, on the calling thread alone as the parts finish (between its own parts
// and at the end): the progress captions are those of one thread stepping every line.
template <class Step, class F>
void runStepped(const ThreadPool& pool, const std::vector<std::pair<std::size_t, std::size_t>>& cut,
                Step&& step, F&& f) {
    const std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[cut.size()]);
    for (std::size_t p = 0; p < cut.size(); ++p)
        done[p].store(false, std::memory_order_relaxed);
    std::size_t shown = 0;
    const auto showDone = [&] {
        for (; shown < cut.size() && done[shown].load(std::memory_order_acquire); ++shown)
            for (std::size_t i = cut[shown].first; i < cut[shown].second; ++i)
                step(i);
    };
    pool.run(cut.size(), [&](std::size_t part, std::size_t slot) {
        f(part);
        done[part].store(true, std::memory_order_release);
        if (slot == 0)
            showDone();
    });
    showDone();
}

} // namespace linnery
