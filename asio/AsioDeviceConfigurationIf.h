#pragma once
// One way of using a controller's sound card: the hardware formats it is opened with (tried in
// order) and how its channels are grouped into stereo pairs, with the maps that route each
// hardware channel to one of the 16 ASIO inputs or outputs. The maps have saved copies so the
// control panel can undo the user's edits.

#include <cstddef>
#include <cstdint>

namespace qmt {

// A map entry: an ASIO channel 0 to 15, or one of these.
inline constexpr uint8_t kAsioChannelDisabled = 255;
inline constexpr uint8_t kAsioChannelUnassigned = 254;
inline constexpr uint32_t kAsioChannels = 16;

struct AsioDeviceFormat {
    uint32_t captureChannels;
    uint32_t renderChannels;
    uint32_t sampleRate;
    uint32_t bits;
};

enum class AsioChannelDirection : uint32_t { Render = 0, Capture = 1 };

// A stereo pair of hardware channels of one direction.
struct AsioChannelGroup {
    AsioChannelDirection direction;
    const char* name;
};

class AsioDeviceConfigurationIf {
  public:
    virtual ~AsioDeviceConfigurationIf() = default;
    // Null for models with a single configuration.
    virtual const char* getName() const = 0;
    // The largest channel counts over the formats.
    virtual uint32_t getCaptureChannelCount() const = 0;
    virtual uint32_t getRenderChannelCount() const = 0;
    virtual uint32_t getNumberOfFormats() const = 0;
    // Null when out of range.
    virtual const AsioDeviceFormat* getFormat(uint32_t index) const = 0;
    virtual uint32_t getNumberOfChannelGroups() const = 0;
    virtual const AsioChannelGroup* getChannelGroup(uint32_t index) const = 0;
    // Map entries by hardware channel; channels beyond the map read as disabled and are not
    // written.
    virtual uint8_t getInputChannel(uint32_t hardwareChannel) const = 0;
    virtual void setInputChannel(uint32_t hardwareChannel, uint8_t asioChannel) = 0;
    virtual uint8_t getOutputChannel(uint32_t hardwareChannel) const = 0;
    virtual void setOutputChannel(uint32_t hardwareChannel, uint8_t asioChannel) = 0;
    virtual void saveChannels() = 0;
    virtual void restoreChannels() = 0;
};

// The first hardware channel of a group: group g covers channels 2k and 2k + 1 of its
// direction, where k counts the groups of that direction before it. Null group: 0.
uint32_t firstHardwareChannelOfGroup(const AsioDeviceConfigurationIf& configuration,
                                     uint32_t group);

}  // namespace qmt
