#include "midiconfig/SimulatedTouchPlayer.h"

#include <cstdlib>
#include <string>

#include "common/AsciiCase.h"
#include "midiconfig/SimulatedTouch.h"
#include "model/Catalogue.h"

namespace qmt {

namespace {

// The model type behind an interface path of the maker's controllers ("...PID_0300..").
bool ModelOfPath(const std::string& path, uint32_t& modelType) {
    if (!containsIgnoreCase(path, "VID_F7E1&PID_")) return false;
    const size_t at = toLowerAscii(path).find("pid_");
    const uint16_t productId =
        static_cast<uint16_t>(std::strtoul(path.substr(at + 4, 4).c_str(), nullptr, 16));
    const std::optional<uint8_t> model = ModelTypeForProductId(productId);
    if (!model) return false;
    modelType = *model;
    return true;
}

}  // namespace

SimulatedTouchPlayer::SimulatedTouchPlayer(DeviceEnumeratorIf& devices, SimHidBus& bus,
                                           TimedWaitIf* wait)
    : wait_(wait != nullptr ? *wait : steady_) {
    std::vector<DeviceInterfaceEntry> interfaces;
    if (!devices.listInterfaces(InterfaceCategory::Hid, interfaces)) return;
    for (const DeviceInterfaceEntry& entry : interfaces) {
        Target target;
        std::u16string serial;
        if (!ModelOfPath(entry.path, target.modelType) ||
            !devices.getHidSerialNumber(entry.path, serial))
            continue;
        target.controls = ControlsToTouch(target.modelType);
        target.device = bus.Plug(entry.path, std::string(serial.begin(), serial.end()));
        if (target.device && !target.controls.empty()) targets_.push_back(std::move(target));
    }
}

SimulatedTouchPlayer::~SimulatedTouchPlayer() {
    stop();
}

bool SimulatedTouchPlayer::touch(Target& target) {
    TouchReports reports;
    const uint8_t control = target.controls[target.next];
    target.next = (target.next + 1) % target.controls.size();
    // Reports nobody reads would pile up in the virtual device: a turn without a reader
    // (no editor open) only waits.
    const bool read = target.device->blockedReads() > 0;
    if (!read || !SimulatedTouch(target.modelType, control, reports))
        return !wait_.waitFor(quitEvent(), kLeadMs + kHoldMs + kPauseMs);
    target.device->Deliver(reports.rest);
    if (wait_.waitFor(quitEvent(), kLeadMs)) return false;
    target.device->Deliver(reports.touched);
    if (wait_.waitFor(quitEvent(), kHoldMs)) return false;
    target.device->Deliver(reports.rest);
    return !wait_.waitFor(quitEvent(), kPauseMs);
}

void SimulatedTouchPlayer::run() {
    if (targets_.empty()) return;
    for (size_t turn = 0;; turn = (turn + 1) % targets_.size())
        if (!touch(targets_[turn])) return;
}

}  // namespace qmt
