// The run-count logic, the device worker's start and stop, and the idle timer.

#include "driver/DriverStatus.h"
#include "driver/MidiMiniport.h"

namespace qmt {

NtStatus MidiMiniport::EnterRun(bool capture) {
    std::lock_guard state(stateMutex_);
    bool noneRunning = false;
    {
        std::lock_guard lock(handlerLock_);
        noneRunning = captureRunning_ == 0 && renderRunning_ == 0;
    }
    // Started without the handler lock: the registration reports present controllers, and
    // their arrivals need that lock on the worker.
    if (noneRunning) {
        const NtStatus status = StartDeviceWorker();
        if (!NtSuccess(status)) return status;
    }
    std::lock_guard lock(handlerLock_);
    uint16_t& running = capture ? captureRunning_ : renderRunning_;
    if (running == 0) StartHandlers(capture);
    ++running;
    if (capture) UpdateTimerLocked();
    return kStatusSuccess;
}

NtStatus MidiMiniport::LeaveRun(bool capture) {
    std::lock_guard state(stateMutex_);
    bool noneRunning = false;
    {
        std::lock_guard lock(handlerLock_);
        uint16_t& running = capture ? captureRunning_ : renderRunning_;
        if (running == 0) return kStatusSuccess;
        if (--running == 0) StopHandlers(capture);
        if (capture) UpdateTimerLocked();
        noneRunning = captureRunning_ == 0 && renderRunning_ == 0;
    }
    return noneRunning ? StopDeviceWorker() : kStatusSuccess;
}

void MidiMiniport::StartHandlers(bool capture) {
    for (auto& frame : handlers_) {
        if (capture)
            frame->StartReader();
        else
            frame->StartWriter();
    }
}

void MidiMiniport::StopHandlers(bool capture) {
    for (auto& frame : handlers_) {
        if (capture)
            frame->StopReader();
        else
            frame->StopWriter();
    }
}

NtStatus MidiMiniport::StartDeviceWorker() {
    if (worker_.running()) return kStatusSuccess;
    if (!worker_.Start()) return kStatusInsufficientResources;
    if (services_.notifier == nullptr) return kStatusSuccess;
    registration_ = services_.notifier->Register(
        [this](const std::string& path, bool arrived) { OnHidNotification(path, arrived); });
    if (registration_ == 0) {
        StopDeviceWorker();
        return kStatusUnsuccessful;
    }
    return kStatusSuccess;
}

NtStatus MidiMiniport::StopDeviceWorker() {
    // No callback runs once this returns, so none is left waiting for a stopped worker.
    if (registration_ != 0 && services_.notifier != nullptr)
        services_.notifier->Unregister(registration_);
    registration_ = 0;
    worker_.pnpRequest.reset();
    worker_.captureConnected.reset();
    worker_.Stop();
    return kStatusSuccess;
}

void MidiMiniport::UpdateTimerLocked() {
    const bool wanted = !handlers_.empty() && captureRunning_ > 0;
    if (wanted == timerArmed_ || services_.timer == nullptr) return;
    if (wanted)
        services_.timer->Arm(kIdlePeriodMs, kIdlePeriodMs, [this] { worker_.timer.set(); });
    else
        services_.timer->Cancel();
    timerArmed_ = wanted;
}

void MidiMiniport::IdleTick() {
    std::lock_guard lock(handlerLock_);
    for (auto& frame : handlers_) {
        frame->handler().IdleStep();
        frame->WakeWriterIfDue();
    }
}

}  // namespace qmt
