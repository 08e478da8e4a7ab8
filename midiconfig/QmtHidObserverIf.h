#pragma once
// How the live-input poller delivers what it reads. Both operations are called on the
// poller's own thread, one at a time.

#include <cstddef>
#include <cstdint>

#include "midiconfig/HidControlState.h"

namespace qmt {

class QmtHidObserverIf {
  public:
    virtual ~QmtHidObserverIf() = default;
    // A report of a device, compared with the device's previous one.
    virtual void stateReport(const HidControlState& state) = 0;
    // A read of the device failed; `failedReads` counts the failures in a row.
    virtual void readTrouble(size_t deviceIndex, uint32_t failedReads) = 0;
};

}  // namespace qmt
