// The simulated desktop's touches: every control of every model, built into reports, comes
// back out of the live-input path as exactly that control.

#include <gtest/gtest.h>

#include "midiconfig/DeviceFilter.h"
#include "midiconfig/HidStateDecoder.h"
#include "midiconfig/LiveInputDetector.h"
#include "midiconfig/SimulatedTouch.h"

namespace qmt {
namespace {

uint8_t Operated(uint32_t model, const std::vector<uint8_t>& before,
                 const std::vector<uint8_t>& now, bool& several) {
    HidControlState state;
    EXPECT_TRUE(IsControlReport(model, now));
    EXPECT_TRUE(DecodeHidState(model, before, now, state));
    return LiveInputDetector::OperatedControl(DeviceFilter::Filter(state), several);
}

TEST(SimulatedTouch, EveryControlOfEveryModelIsDetectedAsItself) {
    for (uint32_t model :
         {kModelKv10, kModelKv5, kModelArdo, kModelArdoRawProto2009, kModelArdoRaw}) {
        const std::vector<uint8_t> controls = ControlsToTouch(model);
        EXPECT_FALSE(controls.empty());
        for (uint8_t control : controls) {
            TouchReports r;
            ASSERT_TRUE(SimulatedTouch(model, control, r)) << model << " " << int(control);
            bool several = false;
            EXPECT_EQ(Operated(model, r.rest, r.touched, several), control)
                << "model " << model << " control " << int(control);
            EXPECT_FALSE(several);
            EXPECT_EQ(Operated(model, r.rest, r.rest, several), kNoControl);
        }
    }
    TouchReports r;
    EXPECT_FALSE(SimulatedTouch(kModelKv10, 49, r));  // the KV10 has no touch pad
    EXPECT_FALSE(SimulatedTouch(kModelKrt4, 0, r));
}

}  // namespace
}  // namespace qmt
