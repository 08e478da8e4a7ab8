#include "asio/QmtArdoAsioDeviceInfo.h"

#include "asio/QmtArdoAsioDeviceConfiguration.h"

namespace qmt {

QmtArdoAsioDeviceInfo::QmtArdoAsioDeviceInfo(const std::string& hidDeviceId,
                                             const std::string* audioDeviceId, size_t index,
                                             const std::string& serial, DeviceModelIf* model)
    : AsioDeviceInfo(hidDeviceId, audioDeviceId, index, serial, model) {
    addConfiguration(std::make_unique<QmtArdoAsioDeviceConfiguration>());
}

}  // namespace qmt
