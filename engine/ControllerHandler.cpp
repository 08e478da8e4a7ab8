#include "engine/ControllerHandler.h"

namespace qmt {

PresetSlots PresetSlotsOf(MappingEntry* entry) {
    PresetSlots slots{};
    if (entry == nullptr) return slots;
    for (int n = 0; n < kMappingSlots; ++n)
        slots[n] = entry->presets[n].get();
    return slots;
}

ControllerHandler::ControllerHandler(ActionEngine& engine, PortClockIf& clock,
                                     std::unique_ptr<HidDeviceIf> device)
    : engine_(engine), clock_(clock), device_(std::move(device)) {}

ControllerHandler::~ControllerHandler() {
    if (device_) device_->Close();
}

NtStatus ControllerHandler::Attach(const std::string&) {
    return kStatusSuccess;
}

NtStatus ControllerHandler::AttachByName(const char* path) {
    return Attach(path == nullptr ? std::string() : std::string(path));
}

void ControllerHandler::SetPresets(const PresetSlots&) {}

NtStatus ControllerHandler::StartReader() {
    errorCount_ = 0;
    readerRunning_ = true;
    return kStatusSuccess;
}

NtStatus ControllerHandler::StopReader() {
    readerRunning_ = false;
    return kStatusSuccess;
}

NtStatus ControllerHandler::StartWriter() {
    if (!AcceptsMidi()) return kStatusSuccess;
    writerWake_.store(false);
    writerRunning_ = true;
    return kStatusSuccess;
}

NtStatus ControllerHandler::StopWriter() {
    writerRunning_ = false;
    return kStatusSuccess;
}

void ControllerHandler::MidiMessage(uint8_t, const MidiBytes&) {}

NtStatus ControllerHandler::AttachDevice(const std::string& path, bool withOutput) {
    path_.clear();
    serial_.clear();
    if (!device_) return kStatusDeviceNotConnected;
    path_ = path;
    if (!device_->Open(path, withOutput)) return kStatusDeviceNotConnected;
    std::string serial;
    if (!device_->SerialString(serial)) return kStatusUnsuccessful;
    // The mapping matches serial strings without the padding some firmware adds.
    while (!serial.empty() && (serial.back() == ' ' || serial.back() == '\t'))
        serial.pop_back();
    serial_ = serial;
    return kStatusSuccess;
}

void ControllerHandler::WaitWithoutPreset() {
    if (noPresetWait_) noPresetWait_();
}

bool ControllerHandler::ReadReport(std::span<uint8_t> report) {
    if (device_ && device_->ReadReport(report)) return true;
    ++errorCount_;
    return false;
}

bool ControllerHandler::Now(int64_t& now) {
    if (clock_.Now(now)) return true;
    ++errorCount_;
    return false;
}

}  // namespace qmt
