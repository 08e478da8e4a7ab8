#pragma once
// What every live-input poller does with a finished read: a good report of the model's
// length clears the failure count and, from the second control report on, is compared with
// the previous one and delivered to the observer; a failed read is counted and reported,
// and the third failure in a row gives the device up. Runs on the poller's thread.

#include <cstdint>

#include "midiconfig/HidIoDeviceInfo.h"
#include "midiconfig/QmtHidObserverIf.h"

namespace qmt {

class QmtHidPollerAbs {
  public:
    // A device whose reads failed more than this many times in a row is closed.
    static constexpr uint32_t kMaxFailedReads = 2;

    virtual ~QmtHidPollerAbs() = default;
    QmtHidPollerAbs(const QmtHidPollerAbs&) = delete;
    QmtHidPollerAbs& operator=(const QmtHidPollerAbs&) = delete;

  protected:
    explicit QmtHidPollerAbs(QmtHidObserverIf& observer) : observer_(observer) {}

    // Handles the device's finished read and starts the next one. False when the device is
    // to be closed (too many failures, or no next read could be started).
    bool readFinished(HidIoDeviceInfo& device);

  private:
    void reportRead(HidIoDeviceInfo& device);

    QmtHidObserverIf& observer_;
};

}  // namespace qmt
