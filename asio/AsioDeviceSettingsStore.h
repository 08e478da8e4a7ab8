#pragma once
// The per-user device settings in the registry store, under the brand's key
// (Software\<maker>\<product>):
//   "Device %u"            one known controller, by its index
//     "SerialNumber"       REG_SZ, at most 15 characters
//     "Type"               REG_DWORD model type
//     "Configuration%u"    one configuration, by its index
//       "Channel%u"        REG_DWORD ASIO output of render channel %u
//       "ChannelIn%u"      REG_DWORD ASIO input of capture channel %u
// A channel value that is missing or not a REG_DWORD reads as 254 (assign automatically), one
// above 15 as 255 (disabled). Every read failure is silent and takes that default.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace qmt {

class AsioDeviceInfo;

class AsioDeviceSettingsStore {
  public:
    // A device key with both of its identifying values.
    struct StoredDevice {
        std::string keyName;
        uint32_t number;
        std::string serial;
        uint32_t type;
    };

    AsioDeviceSettingsStore(RegistryIf& registry, std::string productKey)
        : registry_(registry), productKey_(std::move(productKey)) {}

    // The complete device keys, in stored order; keys lacking "SerialNumber" (or with one
    // longer than 15 characters) or "Type" are left out. False when the product key is missing.
    bool listDevices(std::vector<StoredDevice>& devices);
    // Fills the maps of every configuration that has a key under the device's key.
    void readChannels(const std::string& deviceKeyName, AsioDeviceInfo& device);
    // Deletes the device keys numbered at or above the count (if the product key existed), then
    // writes every device under "Device <its index>". Stops at the first failure: false.
    bool save(const std::vector<AsioDeviceInfo*>& devices);

    // "Device" (any case) followed by a decimal number, as the keys are named.
    static bool parseDeviceKeyName(const std::string& name, uint32_t& number);

  private:
    bool deleteStaleDeviceKeys(size_t count);
    bool writeDevice(const AsioDeviceInfo& device);
    uint8_t readChannel(const std::string& key, const std::string& name);

    RegistryIf& registry_;
    const std::string productKey_;
};

}  // namespace qmt
