#include "midiconfig/DeviceFilter.h"

#include "model/Catalogue.h"

namespace qmt {

namespace {

constexpr uint16_t kCoarse = 0xFF00;  // absolute values keep their high byte
constexpr uint16_t kTouchBits = 0xFFFE;

// Truncates toward zero, as integer division does.
int32_t ToMultiple(int32_t movement, int32_t step) {
    return movement / step * step;
}

}  // namespace

HidControlState DeviceFilter::Filter(const HidControlState& state) {
    HidControlState s = state;
    int32_t wheelStep = 1;
    size_t firstCoarse = 0;
    switch (s.modelType) {
        case kModelKv10:
            break;
        case kModelKv5:
            wheelStep = 32;
            break;
        case kModelArdo:
            wheelStep = 2;
            firstCoarse = 1;  // its slider is fine-grained and steady
            break;
        default:
            wheelStep = 8;
            break;
    }
    if (s.rotaryCount > 0) s.rotary[0] = ToMultiple(s.rotary[0], wheelStep);
    for (size_t i = firstCoarse; i < s.absoluteCount; ++i) {
        s.absoluteOld[i] &= kCoarse;
        s.absoluteNew[i] &= kCoarse;
    }
    for (size_t i = 0; i < 2 && s.hasTouch; ++i) {
        s.touchOld[i] &= kTouchBits;
        s.touchNew[i] &= kTouchBits;
    }
    return s;
}

void DeviceFilter::stateReport(const HidControlState& state) {
    editor_.stateReport(Filter(state));
}

void DeviceFilter::readTrouble(size_t deviceIndex, uint32_t failedReads) {
    editor_.readTrouble(deviceIndex, failedReads);
}

}  // namespace qmt
