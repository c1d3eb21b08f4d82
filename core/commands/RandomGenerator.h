#pragma once

#include <cstdint>

namespace linnery {

// The program's own generator for the random order: a linear congruential step and a range scaling
// by the upper half of a 64-bit product. The state lives for the whole run and is never seeded.
class RandomGenerator {
  public:
    explicit RandomGenerator(std::uint32_t state = 0) : state_(state) {}

    std::uint32_t state() const { return state_; }
    void setState(std::uint32_t state) { state_ = state; }

    // A value in 0 .. range - 1 (0 for range 0).
    std::uint32_t draw(std::uint32_t range) {
        state_ = state_ * 134775813u + 1u;
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(range) * state_) >> 32);
    }

  private:
    std::uint32_t state_;
};

} // namespace linnery
