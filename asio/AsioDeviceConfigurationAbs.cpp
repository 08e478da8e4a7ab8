#include "asio/AsioDeviceConfigurationAbs.h"

#include <algorithm>

namespace qmt {

uint32_t firstHardwareChannelOfGroup(const AsioDeviceConfigurationIf& configuration,
                                     uint32_t group) {
    const AsioChannelGroup* wanted = configuration.getChannelGroup(group);
    if (wanted == nullptr) return 0;
    uint32_t before = 0;
    for (uint32_t g = 0; g < group; ++g) {
        if (configuration.getChannelGroup(g)->direction == wanted->direction) ++before;
    }
    return 2 * before;
}

AsioDeviceConfigurationAbs::AsioDeviceConfigurationAbs(std::span<const AsioDeviceFormat> formats,
                                                       std::span<const AsioChannelGroup> groups)
    : formats_(formats), groups_(groups) {
    inputMap_.fill(kAsioChannelDisabled);
    outputMap_.fill(kAsioChannelDisabled);
    savedInputMap_ = inputMap_;
    savedOutputMap_ = outputMap_;
}

uint32_t AsioDeviceConfigurationAbs::getCaptureChannelCount() const {
    uint32_t most = 0;
    for (const AsioDeviceFormat& format : formats_)
        most = std::max(most, format.captureChannels);
    return most;
}

uint32_t AsioDeviceConfigurationAbs::getRenderChannelCount() const {
    uint32_t most = 0;
    for (const AsioDeviceFormat& format : formats_)
        most = std::max(most, format.renderChannels);
    return most;
}

uint32_t AsioDeviceConfigurationAbs::getNumberOfFormats() const {
    return static_cast<uint32_t>(formats_.size());
}

const AsioDeviceFormat* AsioDeviceConfigurationAbs::getFormat(uint32_t index) const {
    return index < formats_.size() ? &formats_[index] : nullptr;
}

uint32_t AsioDeviceConfigurationAbs::getNumberOfChannelGroups() const {
    return static_cast<uint32_t>(groups_.size());
}

const AsioChannelGroup* AsioDeviceConfigurationAbs::getChannelGroup(uint32_t index) const {
    return index < groups_.size() ? &groups_[index] : nullptr;
}

uint8_t AsioDeviceConfigurationAbs::getInputChannel(uint32_t hardwareChannel) const {
    return hardwareChannel < kAsioChannels ? inputMap_[hardwareChannel] : kAsioChannelDisabled;
}

void AsioDeviceConfigurationAbs::setInputChannel(uint32_t hardwareChannel, uint8_t asioChannel) {
    if (hardwareChannel < kAsioChannels) inputMap_[hardwareChannel] = asioChannel;
}

uint8_t AsioDeviceConfigurationAbs::getOutputChannel(uint32_t hardwareChannel) const {
    return hardwareChannel < kAsioChannels ? outputMap_[hardwareChannel] : kAsioChannelDisabled;
}

void AsioDeviceConfigurationAbs::setOutputChannel(uint32_t hardwareChannel, uint8_t asioChannel) {
    if (hardwareChannel < kAsioChannels) outputMap_[hardwareChannel] = asioChannel;
}

void AsioDeviceConfigurationAbs::saveChannels() {
    savedInputMap_ = inputMap_;
    savedOutputMap_ = outputMap_;
}

void AsioDeviceConfigurationAbs::restoreChannels() {
    inputMap_ = savedInputMap_;
    outputMap_ = savedOutputMap_;
}

}  // namespace qmt
