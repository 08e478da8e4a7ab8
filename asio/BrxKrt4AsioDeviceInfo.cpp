#include "asio/BrxKrt4AsioDeviceInfo.h"

#include "asio/BrxKrt4AsioDeviceConfiguration_4Out4In.h"
#include "asio/BrxKrt4AsioDeviceConfiguration_8Out2In.h"

namespace qmt {

BrxKrt4AsioDeviceInfo::BrxKrt4AsioDeviceInfo(const std::string& hidDeviceId,
                                             const std::string* audioDeviceId, size_t index,
                                             const std::string& serial, DeviceModelIf* model)
    : AsioDeviceInfo(hidDeviceId, audioDeviceId, index, serial, model) {
    addConfiguration(std::make_unique<BrxKrt4AsioDeviceConfiguration_8Out2In>());
    addConfiguration(std::make_unique<BrxKrt4AsioDeviceConfiguration_4Out4In>());
}

}  // namespace qmt
