#pragma once
// Counting semaphore with Windows semantics: each successful wait takes one count; release
// refuses to raise the count above its maximum.

#include <cstdint>

#include "common/Waitable.h"

namespace qmt {

class Semaphore final : public Waitable {
  public:
    Semaphore(uint32_t initialCount, uint32_t maximumCount)
        : count_(initialCount < maximumCount ? initialCount : maximumCount), max_(maximumCount) {}

    // Adds `count`; false (and nothing changes) when that would pass the maximum.
    bool release(uint32_t count = 1);
    uint32_t count();

  protected:
    bool tryConsumeLocked() override;
    bool isSignalledLocked() const override { return count_ > 0; }

  private:
    uint32_t count_;
    const uint32_t max_;
};

}  // namespace qmt
