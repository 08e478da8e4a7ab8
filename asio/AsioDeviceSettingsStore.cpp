#include "asio/AsioDeviceSettingsStore.h"

#include <limits>

#include "asio/AsioDeviceInfo.h"
#include "common/AsciiCase.h"
#include "devices/DeviceModelIf.h"

namespace qmt {

namespace {

constexpr Hive kHive = Hive::CurrentUser;
constexpr std::string_view kDevicePrefix = "Device";

std::string numbered(const char* name, size_t number) {
    return name + std::to_string(number);
}

std::string deviceKeyName(size_t index) {
    return std::string(kDevicePrefix) + " " + std::to_string(index);
}

}  // namespace

bool AsioDeviceSettingsStore::parseDeviceKeyName(const std::string& name, uint32_t& number) {
    if (!startsWithIgnoreCase(name, kDevicePrefix)) return false;
    size_t at = kDevicePrefix.size();
    while (at < name.size() && name[at] == ' ')
        ++at;
    if (at == name.size()) return false;
    uint64_t value = 0;
    for (; at < name.size(); ++at) {
        if (name[at] < '0' || name[at] > '9') return false;
        value = value * 10 + static_cast<uint64_t>(name[at] - '0');
        if (value > std::numeric_limits<uint32_t>::max()) return false;
    }
    number = static_cast<uint32_t>(value);
    return true;
}

bool AsioDeviceSettingsStore::listDevices(std::vector<StoredDevice>& devices) {
    std::vector<std::string> names;
    if (!registry_.enumSubkeys(kHive, productKey_, names)) return false;
    for (const std::string& name : names) {
        StoredDevice device;
        const std::string key = productKey_ + "\\" + name;
        if (!parseDeviceKeyName(name, device.number) ||
            !registry_.queryString(kHive, key, "SerialNumber", device.serial) ||
            device.serial.size() > DeviceInfo::kMaxSerialLength ||
            !registry_.queryDword(kHive, key, "Type", device.type))
            continue;
        device.keyName = name;
        devices.push_back(std::move(device));
    }
    return true;
}

uint8_t AsioDeviceSettingsStore::readChannel(const std::string& key, const std::string& name) {
    uint32_t value = 0;
    if (!registry_.queryDword(kHive, key, name, value)) return kAsioChannelUnassigned;
    return value < kAsioChannels ? static_cast<uint8_t>(value) : kAsioChannelDisabled;
}

void AsioDeviceSettingsStore::readChannels(const std::string& deviceKeyName,
                                           AsioDeviceInfo& device) {
    for (size_t c = 0; c < device.getNumberOfConfigurations(); ++c) {
        const std::string key =
            productKey_ + "\\" + deviceKeyName + "\\" + numbered("Configuration", c);
        if (!registry_.keyExists(kHive, key)) continue;
        AsioDeviceConfigurationIf& config = *device.getConfiguration(c);
        for (uint32_t ch = 0; ch < config.getRenderChannelCount(); ++ch)
            config.setOutputChannel(ch, readChannel(key, numbered("Channel", ch)));
        for (uint32_t ch = 0; ch < config.getCaptureChannelCount(); ++ch)
            config.setInputChannel(ch, readChannel(key, numbered("ChannelIn", ch)));
    }
}

bool AsioDeviceSettingsStore::deleteStaleDeviceKeys(size_t count) {
    // Start over after each deletion, as an index-based key walk has to.
    for (;;) {
        std::vector<std::string> names;
        if (!registry_.enumSubkeys(kHive, productKey_, names)) return false;
        const std::string* stale = nullptr;
        for (const std::string& name : names) {
            uint32_t number = 0;
            // A key of another spelling ("Device0", "device  1") would stand beside the
            // "Device <n>" written now and could be read before it on the next load, so
            // the settings would not read back as saved.
            if (parseDeviceKeyName(name, number) &&
                (number >= count || !equalsIgnoreCase(name, deviceKeyName(number)))) {
                stale = &name;
                break;
            }
        }
        if (stale == nullptr) return true;
        if (!registry_.deleteKey(kHive, productKey_ + "\\" + *stale)) return false;
    }
}

bool AsioDeviceSettingsStore::writeDevice(const AsioDeviceInfo& device) {
    const std::string key = productKey_ + "\\" + deviceKeyName(device.getIndex());
    if (!registry_.createKey(kHive, key) ||
        !registry_.setString(kHive, key, "SerialNumber", device.getSerial()) ||
        !registry_.setDword(kHive, key, "Type", device.getModel()->getType()))
        return false;
    for (size_t c = 0; c < device.getNumberOfConfigurations(); ++c) {
        const std::string configKey = key + "\\" + numbered("Configuration", c);
        const AsioDeviceConfigurationIf& config = *device.getConfiguration(c);
        if (!registry_.createKey(kHive, configKey)) return false;
        for (uint32_t ch = 0; ch < config.getRenderChannelCount(); ++ch) {
            if (!registry_.setDword(kHive, configKey, numbered("Channel", ch),
                                    config.getOutputChannel(ch)))
                return false;
        }
        for (uint32_t ch = 0; ch < config.getCaptureChannelCount(); ++ch) {
            if (!registry_.setDword(kHive, configKey, numbered("ChannelIn", ch),
                                    config.getInputChannel(ch)))
                return false;
        }
    }
    return true;
}

bool AsioDeviceSettingsStore::save(const std::vector<AsioDeviceInfo*>& devices) {
    const bool existed = registry_.keyExists(kHive, productKey_);
    // Software, the maker key and the product key, each opened or created in turn.
    for (size_t at = productKey_.find('\\'); at != std::string::npos;
         at = productKey_.find('\\', at + 1)) {
        if (!registry_.createKey(kHive, productKey_.substr(0, at))) return false;
    }
    if (!registry_.createKey(kHive, productKey_)) return false;
    if (existed && !deleteStaleDeviceKeys(devices.size())) return false;
    for (const AsioDeviceInfo* device : devices) {
        if (!writeDevice(*device)) return false;
    }
    return true;
}

}  // namespace qmt
