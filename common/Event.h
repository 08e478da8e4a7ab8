#pragma once
// Event with Windows semantics: a manual-reset event stays set until reset and releases every
// waiter; an auto-reset event releases exactly one waiter and resets itself.
//
// The state is changed under the object's mutex and may be looked at without it.

#include <atomic>

#include "common/Waitable.h"

namespace qmt {

class Event final : public Waitable {
  public:
    explicit Event(bool manualReset, bool initialState = false)
        : manualReset_(manualReset), signalled_(initialState) {}

    void set();
    void reset();
    // Looks at the state without consuming it.
    bool isSet();
    bool isManualReset() const { return manualReset_; }

  protected:
    bool tryConsumeLocked() override;
    bool isSignalledLocked() const override { return signalled_.load(std::memory_order_relaxed); }
    bool mightBeSignalled() const override { return signalled_.load(std::memory_order_acquire); }

  private:
    const bool manualReset_;
    std::atomic<bool> signalled_;
};

}  // namespace qmt
