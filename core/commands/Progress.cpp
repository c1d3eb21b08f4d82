#include "core/commands/Progress.h"

namespace linnery {

void Progress::setCaption(const std::string& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    if (listener_)
        listener_(caption_);
}

void Progress::showSteps(std::int64_t first, std::int64_t last, std::int64_t d, int scale, int offset) {
    // The value s * scale / d only changes at most `scale` times: jump to the first step of each new value.
    std::int64_t s = first;
    while (s <= last) {
        const std::int64_t value = s * scale / d;
        showPercent(value + offset);
        // first step whose value exceeds `value`: ceil((value + 1) * d / scale)
        const std::int64_t next = ((value + 1) * d + scale - 1) / scale;
        s = next > s ? next : s + 1;
    }
}

} // namespace linnery
