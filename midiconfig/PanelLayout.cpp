#include "midiconfig/PanelLayout.h"

#include "midiconfig/WorkingAssignment.h"

namespace qmt {

namespace {

class Builder {
  public:
    Builder& show(HalfField f, bool when = true) {
        if (when) layout_.fields.set(static_cast<size_t>(f));
        return *this;
    }
    // A label shows together with the field under it.
    Builder& label(HalfLabel l, const char* text, HalfField under, bool when = true) {
        show(under, when);
        if (when) layout_.labels[static_cast<size_t>(l)] = text;
        return *this;
    }
    HalfLayout take() { return layout_; }

  private:
    HalfLayout layout_;
};

}  // namespace

HalfLayout LayoutOf(uint8_t kind, uint8_t function) {
    const bool continuous = IsContinuous(function);
    const bool rotate = function == kRotate;
    const bool pad = function == kPress;
    Builder b;
    if (kind == kMsgNone || kind == kMsgKey || kind >= kMessageKindCount) return b.take();
    b.label(HalfLabel::Channel, "Channel", HalfField::Channel);
    using F = HalfField;
    using L = HalfLabel;
    switch (kind) {
        case kMsgNote:
            b.label(L::Row1Left, "Note", F::Note).label(L::Row2Left, "Pressure", F::Velocity, !pad);
            break;
        case kMsgAftertouch:
            b.label(L::Row1Left, "Note", F::Note)
                .label(L::Row2Left, "Aftertouch", F::Velocity, !pad);
            break;
        case kMsgControlChange:
            b.label(L::Row1Left, "Controller", F::Controller)
                .label(L::Row1Right, "Value", F::Value, !continuous)
                .label(L::ValueRange, "Value range", F::Encoding, rotate);
            break;
        case kMsgControlChangeInc:
            b.label(L::Row1Left, "Controller", F::Controller)
                .label(L::Row2Left, "Min Value", F::Min)
                .label(L::Row1Right, "Step Value", F::Step, !continuous)
                .label(L::Row2Right, "Max Value", F::Max);
            break;
        case kMsgProgramChange:
            b.label(L::Row1Left, "Program", F::Program, !continuous)
                .label(L::ValueRange, "Value range", F::Encoding, rotate);
            break;
        case kMsgProgramChangeInc:
            b.label(L::Row1Left, "Step", F::ProgramStep, !continuous)
                .label(L::Row2Left, "Min Value", F::ProgramMin)
                .label(L::Row2Right, "Max Value", F::ProgramMax);
            break;
        case kMsgChannelMode:
            b.label(L::Row1Left, "Command", F::Command);
            break;
        case kMsgPitchWheel:
            b.label(L::Row1Left, "Value", F::PitchValue, !continuous)
                .label(L::ValueRange, "Value range", F::Encoding, rotate);
            break;
        case kMsgPitchWheelInc:
            b.label(L::Row1Left, "Step", F::PitchStep, !continuous)
                .label(L::Row2Left, "Min Value", F::PitchMin)
                .label(L::Row2Right, "Max Value", F::PitchMax);
            break;
        case kMsgExtended:
            b.label(L::Row1Left, "Command", F::Extended);
            break;
        case kMsgHiResControlChange:
            b.label(L::Row1Left, "Controller", F::HiResController)
                .label(L::Row1Right, "Value", F::HiResValue, !continuous)
                .label(L::ValueRange, "Value range", F::Encoding, rotate);
            break;
        case kMsgHiResControlChangeInc:
            b.label(L::Row1Left, "Controller", F::HiResController)
                .label(L::Row2Left, "Min Value", F::HiResMin)
                .label(L::Row1Right, "Step Value", F::HiResStep, !continuous)
                .label(L::Row2Right, "Max Value", F::HiResMax);
            break;
    }
    b.label(L::Threshold, "Threshold", F::Percent, continuous).show(F::Trackbar, continuous);
    return b.take();
}

}  // namespace qmt
