#include "asio/AsioDeviceInfo.h"

#include "asio/CKsAudFilter.h"

namespace qmt {

AsioDeviceInfo::AsioDeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId,
                               size_t index, const std::string& serial, DeviceModelIf* model)
    : DeviceInfo(hidDeviceId, audioDeviceId, index, serial, model) {}

AsioDeviceInfo::~AsioDeviceInfo() {
    configurations_.deleteAll();
}

void AsioDeviceInfo::setRenderFilter(std::unique_ptr<CKsAudRenFilter> filter) {
    renderFilter_ = std::move(filter);
}

void AsioDeviceInfo::setCaptureFilter(std::unique_ptr<CKsAudCapFilter> filter) {
    captureFilter_ = std::move(filter);
}

void AsioDeviceInfo::makeRestorePoint() {
    DeviceInfo::makeRestorePoint();
    for (AsioDeviceConfigurationIf* configuration : configurations_)
        configuration->saveChannels();
}

void AsioDeviceInfo::rollbackChanges() {
    DeviceInfo::rollbackChanges();
    for (AsioDeviceConfigurationIf* configuration : configurations_)
        configuration->restoreChannels();
}

void AsioDeviceInfo::addConfiguration(std::unique_ptr<AsioDeviceConfigurationIf> configuration) {
    if (configuration && configurations_.add(configuration.get())) configuration.release();
}

}  // namespace qmt
