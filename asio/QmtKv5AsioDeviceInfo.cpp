#include "asio/QmtKv5AsioDeviceInfo.h"

#include "asio/QmtKv5AsioDeviceConfiguration.h"

namespace qmt {

QmtKv5AsioDeviceInfo::QmtKv5AsioDeviceInfo(const std::string& hidDeviceId,
                                           const std::string* audioDeviceId, size_t index,
                                           const std::string& serial, DeviceModelIf* model)
    : AsioDeviceInfo(hidDeviceId, audioDeviceId, index, serial, model) {
    addConfiguration(std::make_unique<QmtKv5AsioDeviceConfiguration>());
}

}  // namespace qmt
