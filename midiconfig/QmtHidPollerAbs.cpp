#include "midiconfig/QmtHidPollerAbs.h"

#include "midiconfig/HidStateDecoder.h"

namespace qmt {

void QmtHidPollerAbs::reportRead(HidIoDeviceInfo& device) {
    const std::vector<uint8_t>& report = device.report();
    // Other reports (an ARDO's firmware reply to the driver) say nothing about the controls.
    if (!IsControlReport(device.modelType(), report)) return;
    if (device.hasPrevious) {
        HidControlState state;
        state.deviceIndex = device.deviceIndex();
        if (DecodeHidState(device.modelType(), device.previous, report, state))
            observer_.stateReport(state);
    }
    device.previous = report;
    device.hasPrevious = true;
}

bool QmtHidPollerAbs::readFinished(HidIoDeviceInfo& device) {
    bool succeeded = false;
    if (!device.readResult(succeeded)) return true;  // woken without a finished read
    if (succeeded) {
        device.failedReads = 0;
        reportRead(device);
    } else {
        ++device.failedReads;
        observer_.readTrouble(device.deviceIndex(), device.failedReads);
        if (device.failedReads > kMaxFailedReads) return false;
    }
    return device.startRead();
}

}  // namespace qmt
