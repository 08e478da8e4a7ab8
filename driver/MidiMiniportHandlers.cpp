// Controller arrival and removal, presets, and the reload request.

#include "common/AsciiCase.h"
#include "driver/DriverStatus.h"
#include "driver/KernelHidDevice.h"
#include "driver/MidiMiniport.h"
#include "driver/ModelCodes.h"
#include "engine/ControllerHandlerFactory.h"

namespace qmt {

namespace {

// The driver-wide MIDI state every handler's engine continues from; the first handler
// ever made initialises it once.
MidiState& SharedMidiState() {
    static MidiState state;
    static std::once_flag once;
    std::call_once(once, [] { InitialiseSharedMidiState(state); });
    return state;
}

}  // namespace

void MidiMiniport::OnHidNotification(const std::string& path, bool arrived) {
    const uint8_t code = ModelCodeForPath(path);
    if (code == 0) return;
    // One request at a time: the request fields have room for one.
    std::lock_guard lock(pnpMutex_);
    requestPath_ = path;
    requestCode_ = code;
    requestArrival_ = arrived;
    worker_.pnpDone.reset();
    worker_.pnpRequest.set();
    worker_.pnpDone.wait(kInfinite);
}

void MidiMiniport::HandlePlugAndPlay() {
    if (requestArrival_)
        Arrival(requestPath_, requestCode_);
    else
        Removal(requestPath_);
}

bool MidiMiniport::HasHandler(const std::string& path) {
    for (auto& frame : handlers_) {
        const char* own = frame->handler().DevicePath();
        if (own != nullptr && SamePath(own, path)) return true;
    }
    return false;
}

bool MidiMiniport::ProbeInterface(const std::string& path) {
    HidProbe probe;
    if (services_.files == nullptr || !services_.files->Probe(path, probe)) return false;
    return probe.deviceType == kFileDeviceUnknown &&
           equalsIgnoreCase(probe.classGuid, GuidInBraces(kHidSetupClassGuid));
}

std::unique_ptr<HandlerFrame> MidiMiniport::CreateFrame(const std::string& path, uint8_t code) {
    auto engine = std::make_unique<ActionEngine>(*this, SharedMidiState());
    auto device = std::make_unique<KernelHidDevice>(*services_.files);
    KernelHidDevice* raw = device.get();
    std::unique_ptr<ControllerHandler> handler =
        CreateControllerHandler(code, *engine, *handlerClock_, std::move(device));
    if (!handler) return nullptr;
    if (!NtSuccess(handler->Attach(path))) return nullptr;
    return std::make_unique<HandlerFrame>(std::move(engine), std::move(handler), raw);
}

void MidiMiniport::Arrival(const std::string& path, uint8_t code) {
    {
        std::lock_guard lock(handlerLock_);
        if (HasHandler(path)) return;
    }
    if (!ProbeInterface(path)) return;
    std::unique_ptr<HandlerFrame> frame = CreateFrame(path, code);
    if (!frame) return;
    std::lock_guard lock(handlerLock_);
    ApplyMapping(*frame);
    handlers_.push_front(std::move(frame));
    HandlerFrame& added = *handlers_.front();
    if (captureRunning_ > 0) added.StartReader();
    if (renderRunning_ > 0) added.StartWriter();
    UpdateTimerLocked();
}

void MidiMiniport::Removal(const std::string& path) {
    std::unique_ptr<HandlerFrame> removed;
    std::lock_guard lock(handlerLock_);
    for (auto it = handlers_.begin(); it != handlers_.end(); ++it) {
        const char* own = (*it)->handler().DevicePath();
        if (own == nullptr || !SamePath(own, path)) continue;
        removed = std::move(*it);
        handlers_.erase(it);
        break;
    }
    if (!removed) return;
    removed->StopReader();
    removed->StopWriter();
    removed.reset();
    UpdateTimerLocked();
}

void MidiMiniport::ApplyMapping(HandlerFrame& frame) {
    std::lock_guard lock(mappingMutex_);
    if (!mapping_) return;
    ControllerHandler& handler = frame.handler();
    const char* serial = handler.SerialString();
    MappingEntry* entry =
        ApplyMappingToDevice(*mapping_, handler.ModelType(), serial == nullptr ? "" : serial);
    if (entry != nullptr) handler.SetPresets(PresetSlotsOf(entry));
}

void MidiMiniport::ReapplyPresets() {
    std::lock_guard lock(handlerLock_);
    ReapplyPresetsLocked();
}

void MidiMiniport::ReapplyPresetsLocked() {
    for (auto& frame : handlers_) {
        frame->StopReader();
        frame->handler().SetPresets(PresetSlots{});
        ApplyMapping(*frame);
    }
    bool captureConnected = false;
    {
        std::lock_guard streams(miniportMutex_);
        captureConnected = captureConnected_ > 0;
    }
    if (!captureConnected) return;
    ResendState();
    for (auto& frame : handlers_)
        frame->StartReader();
}

void MidiMiniport::HandleCaptureConnected() {
    ResendState();
}

void MidiMiniport::ResendState() {
    std::lock_guard lock(mappingMutex_);
    int64_t now = 0;
    if (!mapping_ || !ClockNow(now)) return;
    ActionEngine engine(*this, SharedMidiState());
    engine.ResendControllerState(*mapping_, now);
}

void MidiMiniport::Reload() {
    // Two reloads at once would each swap the mapping and free the other's; one at a time.
    std::lock_guard reloading(reloadMutex_);
    std::lock_guard state(stateMutex_);
    MappingPtr previous;
    bool streams = false;
    {
        std::lock_guard lock(miniportMutex_);
        streams = captureCount_ > 0 || renderCount_ > 0;
    }
    MappingPtr next;
    // Read in the requesting thread, so the requesting user's settings apply.
    if (streams && services_.registry != nullptr) next = LoadSelectedMapping(*services_.registry);
    {
        std::lock_guard lock(mappingMutex_);
        previous = std::move(mapping_);
        mapping_ = std::move(next);
    }
    if (streams && worker_.running()) {
        worker_.reloadDone.reset();
        worker_.reload.set();
        worker_.reloadDone.wait(kInfinite);
    } else {
        // Streams that exist without running have no worker to wait for.
        ReapplyPresets();
    }
    FreeMapping(previous);
}

}  // namespace qmt
