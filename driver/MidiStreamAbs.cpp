#include "driver/MidiStreamAbs.h"

#include "driver/DriverStatus.h"
#include "driver/MidiMiniport.h"

namespace qmt {

MidiStreamAbs::MidiStreamAbs(bool capture, MidiMiniport& miniport, AllocatorMxfIf& allocator,
                             std::shared_ptr<PortClockIf> clock)
    : miniport_(miniport),
      allocator_(allocator),
      sink_(&allocator),
      capture_(capture),
      clock_(std::move(clock)) {}

MidiStreamAbs::~MidiStreamAbs() {
    Retire();
}

void MidiStreamAbs::Retire() {
    if (retired_) return;
    retired_ = true;
    // A port that releases a running stream must not leave the worker and the readers
    // running for a stream that is gone.
    if (state_ == KsState::Run) miniport_.LeaveRun(capture_);
    miniport_.UnregisterStream(this);
}

int32_t MidiStreamAbs::SetState(KsState state) {
    if (state == state_) return kStatusSuccess;
    if (state == KsState::Run) {
        const NtStatus status = miniport_.EnterRun(capture_);
        if (!NtSuccess(status)) return status;
    } else if (state_ == KsState::Run) {
        const NtStatus status = miniport_.LeaveRun(capture_);
        if (!NtSuccess(status)) return status;
    }
    if (state == KsState::Stop) Stopped();
    state_ = state;
    return kStatusSuccess;
}

int32_t MidiStreamAbs::ConnectOutput(MxfIf* sink) {
    if (!miniport_.Connect(this, sink)) return kStatusUnsuccessful;
    return kStatusSuccess;
}

int32_t MidiStreamAbs::DisconnectOutput(MxfIf* sink) {
    if (!miniport_.Disconnect(this, sink)) return kStatusUnsuccessful;
    return kStatusSuccess;
}

}  // namespace qmt
