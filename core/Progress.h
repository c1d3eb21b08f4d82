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

  private:
    void setCaption(const std::string& caption);

    std::string caption_ = "-";
    Listener listener_;
};

} // namespace linnery
