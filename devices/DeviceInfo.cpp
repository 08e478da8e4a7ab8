#include "devices/DeviceInfo.h"

namespace qmt {

DeviceInfo::DeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId,
                       size_t index, const std::string& serial, DeviceModelIf* model)
    : hidDeviceId_(hidDeviceId),
      index_(index),
      model_(model),
      serial_(serial.size() <= kMaxSerialLength ? serial : std::string()) {
    setAudioDeviceId(audioDeviceId);
}

void DeviceInfo::setAudioDeviceId(const std::string* id) {
    hasAudioId_ = id != nullptr;
    audioDeviceId_ = hasAudioId_ ? *id : std::string();
}

}  // namespace qmt
