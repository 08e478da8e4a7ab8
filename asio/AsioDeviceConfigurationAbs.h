#pragma once
// The maps and their saved copies, and the format and group tables a model's configuration
// hands in. Both maps start disabled.

#include <array>
#include <span>

#include "asio/AsioDeviceConfigurationIf.h"

namespace qmt {

class AsioDeviceConfigurationAbs : public AsioDeviceConfigurationIf {
  public:
    const char* getName() const override { return nullptr; }
    uint32_t getCaptureChannelCount() const override;
    uint32_t getRenderChannelCount() const override;
    uint32_t getNumberOfFormats() const override;
    const AsioDeviceFormat* getFormat(uint32_t index) const override;
    uint32_t getNumberOfChannelGroups() const override;
    const AsioChannelGroup* getChannelGroup(uint32_t index) const override;
    uint8_t getInputChannel(uint32_t hardwareChannel) const override;
    void setInputChannel(uint32_t hardwareChannel, uint8_t asioChannel) override;
    uint8_t getOutputChannel(uint32_t hardwareChannel) const override;
    void setOutputChannel(uint32_t hardwareChannel, uint8_t asioChannel) override;
    void saveChannels() override;
    void restoreChannels() override;

  protected:
    // The tables are static data of the subclass and outlive it.
    AsioDeviceConfigurationAbs(std::span<const AsioDeviceFormat> formats,
                               std::span<const AsioChannelGroup> groups);

  private:
    using Map = std::array<uint8_t, kAsioChannels>;

    std::span<const AsioDeviceFormat> formats_;
    std::span<const AsioChannelGroup> groups_;
    Map inputMap_;
    Map outputMap_;
    Map savedInputMap_;
    Map savedOutputMap_;
};

}  // namespace qmt
