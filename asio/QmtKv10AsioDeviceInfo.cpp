#include "asio/QmtKv10AsioDeviceInfo.h"

#include "asio/QmtKv10AsioDeviceConfiguration.h"

namespace qmt {

QmtKv10AsioDeviceInfo::QmtKv10AsioDeviceInfo(const std::string& hidDeviceId,
                                             const std::string* audioDeviceId, size_t index,
                                             const std::string& serial, DeviceModelIf* model)
    : AsioDeviceInfo(hidDeviceId, audioDeviceId, index, serial, model) {
    addConfiguration(std::make_unique<QmtKv10AsioDeviceConfiguration>());
}

}  // namespace qmt
