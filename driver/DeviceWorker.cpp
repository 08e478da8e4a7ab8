#include "driver/DeviceWorker.h"

#include "driver/MidiMiniport.h"

namespace qmt {

DeviceWorker::~DeviceWorker() {
    Stop();
}

bool DeviceWorker::Start() {
    if (thread_.joinable()) return true;
    stop.reset();
    stopped.reset();
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void DeviceWorker::Stop() {
    if (!thread_.joinable()) return;
    stop.set();
    stopped.wait(kInfinite);
    thread_.join();
}

void DeviceWorker::Loop() {
    std::array<Waitable*, 6> objects{&pnpRequest, &captureConnected, &stop,
                                     &reload,     &renderData,       &timer};
    for (;;) {
        const int which = Waitable::waitForAny(objects, kInfinite);
        if (which == kPlugAndPlay) {
            miniport_.HandlePlugAndPlay();
            pnpRequest.reset();
            pnpDone.set();
        } else if (which == kCaptureConnected) {
            miniport_.HandleCaptureConnected();
            captureConnected.reset();
        } else if (which == kReload) {
            reload.reset();
            miniport_.ReapplyPresets();
            reloadDone.set();
        } else if (which == kRenderData) {
            renderData.reset();
            miniport_.DrainRender();
        } else if (which == kTimer) {
            miniport_.IdleTick();
        } else {
            break;
        }
    }
    stop.reset();
    stopped.set();
}

}  // namespace qmt
