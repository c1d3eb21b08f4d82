#pragma once

#include <cstdint>
#include <functional>
#include <string>

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

} // namespace linnery
