#pragma once
// Turns a controller's input report, with the device's previous report, into the values the
// live-input display compares (HidControlState), following each model's report layout.
// Reports that are not control reports (an ARDO's firmware-version reply, which reaches
// every reader of the device) are not decoded.
//
// Where the layout gives no plain value, the state carries one that changes exactly when
// the control is operated, which is all the display asks of it:
//   - KV5 "Wheel": the change of the 16-bit wheel position, as a signed step;
//   - ARDO "Slider": the slider sits at bytes 11-12 up to firmware 1.3 and per deck at
//     43-46 after it, and the reader does not know the firmware: the value is the 16-bit
//     sum of the old place and the live deck's place, so a move of either changes it;
//   - ARDO RAW's endless left knobs (gain, treble, mid, bass): the 8-bit counter in the
//     high byte, so each detent changes the value by 256 and survives the filter;
//   - ARDO RAW's selector switch: its "Selector 1" to "Selector 4" button counts as down
//     only in the report in which the switch moved, because a switch position that always
//     counted would make every other control a second one;
//   - ARDO RAW PROTO 2009's "Selector": the change of its position, as rotary position 5.

#include <cstddef>
#include <cstdint>
#include <span>

#include "midiconfig/HidControlState.h"

namespace qmt {

// The input report length the poller reads for a model type; 0 for types it does not poll.
size_t LiveReportLength(uint32_t modelType);

// True when `report` (of the model's length) is a control report.
bool IsControlReport(uint32_t modelType, std::span<const uint8_t> report);

// Fills `state` from two control reports of the model. False for a model type without a
// layout or reports of the wrong length.
bool DecodeHidState(uint32_t modelType, std::span<const uint8_t> previous,
                    std::span<const uint8_t> report, HidControlState& state);

}  // namespace qmt
