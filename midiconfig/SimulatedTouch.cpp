#include "midiconfig/SimulatedTouch.h"

#include <algorithm>

#include "engine/ReportBytes.h"
#include "midiconfig/HidStateDecoder.h"
#include "model/Catalogue.h"
#include "model/ControlId.h"

namespace qmt {

namespace {

// Where each model keeps what a touch changes; -1: the model has no such field.
struct Layout {
    int buttons;
    int wheel;           // the main wheel's movement (KV10: counter B; KV5: position)
    int smallWheels;     // four 8-bit counters
    int touchX, touchY;  // 16-bit positions
    int pads;            // four 16-bit pressures
};

constexpr Layout kKv10{7, 3, -1, -1, -1, -1};
constexpr Layout kKv5{12, 2, -1, -1, -1, -1};
constexpr Layout kArdo{47, 5, 15, 41, 39, -1};
constexpr Layout kProto{44, 10, 12, 38, 36, 28};
constexpr Layout kArdoRaw{49, 10, 44, 24, 26, 16};

const Layout* LayoutOf(uint32_t modelType) {
    switch (modelType) {
        case kModelKv10:
            return &kKv10;
        case kModelKv5:
            return &kKv5;
        case kModelArdo:
            return &kArdo;
        case kModelArdoRawProto2009:
            return &kProto;
        case kModelArdoRaw:
            return &kArdoRaw;
        default:
            return nullptr;
    }
}

// The 16-bit field of each absolute control, in the model's order. The ARDO RAW's endless
// knobs are 8-bit counters instead: their offsets come back as kCounter + offset.
constexpr int kArdoAbsolutes[] = {45, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37};
constexpr int kProtoAbsolutes[] = {40, 42, 16, 18, 20, 22, 24, 26};
constexpr int kArdoRawAbsolutes[] = {12, 14, 28, 30, 40, 41, 42, 43};
constexpr int kCounter = 1000;

int AbsoluteField(uint32_t modelType, size_t position) {
    switch (modelType) {
        case kModelKv10:
            return 5;
        case kModelKv5:
            return 10;
        case kModelArdo:
            return kArdoAbsolutes[position];
        case kModelArdoRawProto2009:
            return kProtoAbsolutes[position];
        default:
            return position >= 4 ? kCounter + kArdoRawAbsolutes[position]
                                 : kArdoRawAbsolutes[position];
    }
}

// The controller at rest: controls in the middle, pads released, a finger on the pad.
std::vector<uint8_t> RestReport(uint32_t modelType, const Layout& layout) {
    std::vector<uint8_t> r(LiveReportLength(modelType), 0);
    if (modelType == kModelArdo || modelType == kModelArdoRaw ||
        modelType == kModelArdoRawProto2009)
        r[2] = 53;                                 // a control report
    if (modelType == kModelArdo) r[53] = 1;        // deck bit: the first preset, slider at 45
    if (modelType == kModelArdoRaw) r[48] = 0xFF;  // the selector between positions
    const ModelControls& controls = *ControlsOf(static_cast<uint8_t>(modelType));
    for (size_t i = 0; i < controls.absolutes.size(); ++i) {
        const uint8_t id = controls.absolutes[i];
        if (id == kControlTouchpadX || id == kControlTouchpadY) continue;
        const int field = AbsoluteField(modelType, i);
        if (field < kCounter) PutU16(r, size_t(field), 0x8000);
    }
    if (layout.touchX >= 0) {
        PutU16(r, size_t(layout.touchX), 30000);
        PutU16(r, size_t(layout.touchY), 30000);
    }
    for (int pad = 0; layout.pads >= 0 && pad < 4; ++pad)
        PutU16(r, size_t(layout.pads + 2 * pad), 0xFFFF);
    return r;
}

void PressButton(uint32_t modelType, const ModelControls& controls, uint8_t control,
                 const Layout& layout, std::vector<uint8_t>& r) {
    size_t bit = modelType == kModelKv10 ? control : controls.buttonSlot[control];
    if (modelType == kModelArdoRaw && bit >= 29) {  // the selector switch's positions
        r[48] = static_cast<uint8_t>(3 - (bit - 29));
        return;
    }
    r[size_t(layout.buttons) + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
}

void Turn(uint32_t modelType, size_t position, const Layout& layout, std::vector<uint8_t>& r) {
    if (position == 0) {
        // A wheel turn well past every model's noise step.
        PutU16(r, size_t(layout.wheel), modelType == kModelKv10 ? 5 : 64);
    } else if (position <= 4) {
        r[size_t(layout.smallWheels) + position - 1] = 1;
    } else {
        r[49] = 1;  // the PROTO 2009's "Selector"
    }
}

void Touch(uint8_t control, const Layout& layout, std::vector<uint8_t>& r) {
    // Y strip along the left edge, X strip along the bottom edge, else the surface.
    const uint16_t x = control == kControlTouchpadY ? 2000 : 32000;
    const uint16_t y = control == kControlTouchpadX ? 62000 : 32000;
    PutU16(r, size_t(layout.touchX), x);
    PutU16(r, size_t(layout.touchY), y);
}

template <class List>
int IndexIn(const List& list, uint8_t control) {
    const auto it = std::find(list.begin(), list.end(), control);
    return it == list.end() ? -1 : int(it - list.begin());
}

}  // namespace

std::vector<uint8_t> ControlsToTouch(uint32_t modelType) {
    std::vector<uint8_t> all;
    const ModelControls* controls = ControlsOf(static_cast<uint8_t>(modelType));
    if (controls == nullptr || LayoutOf(modelType) == nullptr) return all;
    for (auto list : {controls->buttons, controls->rotaries, controls->absolutes, controls->pads})
        all.insert(all.end(), list.begin(), list.end());
    return all;
}

bool SimulatedTouch(uint32_t modelType, uint8_t control, TouchReports& reports) {
    const Layout* layout = LayoutOf(modelType);
    const ModelControls* controls = ControlsOf(static_cast<uint8_t>(modelType));
    if (layout == nullptr || controls == nullptr) return false;
    reports.rest = RestReport(modelType, *layout);
    std::vector<uint8_t>& r = reports.touched;
    r = reports.rest;
    const bool touchPad = control == kControlTouchpadTouch || control == kControlTouchpadX ||
                          control == kControlTouchpadY;
    if (touchPad && layout->touchX >= 0) {
        Touch(control, *layout, r);
        if (control == kControlTouchpadTouch)
            PressButton(modelType, *controls, control, *layout, r);
    } else if (int i = IndexIn(controls->buttons, control); i >= 0) {
        PressButton(modelType, *controls, control, *layout, r);
    } else if (int i = IndexIn(controls->rotaries, control); i >= 0) {
        Turn(modelType, size_t(i), *layout, r);
    } else if (int i = IndexIn(controls->absolutes, control); i >= 0) {
        const int field = AbsoluteField(modelType, size_t(i));
        if (field >= kCounter)
            r[size_t(field - kCounter)] = 1;
        else
            PutU16(r, size_t(field), 0xA000);
    } else if (int i = IndexIn(controls->pads, control); i >= 0) {
        PutU16(r, size_t(layout->pads + 2 * i), 30000);
    } else {
        return false;
    }
    return true;
}

}  // namespace qmt
