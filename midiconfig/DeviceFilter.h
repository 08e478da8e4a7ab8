#pragma once
// Coarsens what the poller delivers before the editor looks at it, so that sensor noise (a
// jittering fader, a wheel that settles by a step, the touch pad's last bit) never counts as
// operating a control. By model type:
//   KV10: main wheel as is, absolute values without their low 8 bits;
//   KV5: main wheel truncated toward zero to a multiple of 32, absolute values likewise;
//   ARDO: main wheel to a multiple of 2, the "Slider" as is, the other absolute values
//         without their low 8 bits, touch values without bit 0;
//   ARDO RAW and PROTO 2009: main wheel to a multiple of 8, absolute values without their
//         low 8 bits, touch values without bit 0.
// Other movements, the buttons and the pads pass unchanged. Runs on the poller's thread.

#include "midiconfig/QmtHidObserverIf.h"

namespace qmt {

class DeviceFilter final : public QmtHidObserverIf {
  public:
    explicit DeviceFilter(QmtHidObserverIf& editor) : editor_(editor) {}

    void stateReport(const HidControlState& state) override;
    void readTrouble(size_t deviceIndex, uint32_t failedReads) override;

    // The filtered copy of a state (what stateReport forwards).
    static HidControlState Filter(const HidControlState& state);

  private:
    QmtHidObserverIf& editor_;
};

}  // namespace qmt
