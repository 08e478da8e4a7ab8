#pragma once
// The settings store in the shape of the Windows registry: two hives, keys named by
// backslash-separated paths (case-insensitive), REG_SZ and REG_DWORD values.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qmt {

enum class Hive : uint8_t { LocalMachine, CurrentUser };

class RegistryIf {
public:
    virtual ~RegistryIf() = default;

    // Keys. `key` is a path such as "Software\\QMT\\QMTMIDI".
    virtual bool keyExists(Hive hive, const std::string& key) = 0;
    virtual bool createKey(Hive hive, const std::string& key) = 0;
    // Deletes the key with all its values and subkeys.
    virtual bool deleteKey(Hive hive, const std::string& key) = 0;
    // Names of the direct subkeys, in stored order.
    virtual bool enumSubkeys(Hive hive, const std::string& key, std::vector<std::string>& names) = 0;

    // Values. A query fails when the key or value is missing or has the other type.
    virtual bool queryString(Hive hive, const std::string& key, const std::string& name,
                             std::string& value) = 0;
    virtual bool queryDword(Hive hive, const std::string& key, const std::string& name,
                            uint32_t& value) = 0;
    // Setting a value creates its key.
    virtual bool setString(Hive hive, const std::string& key, const std::string& name,
                           const std::string& value) = 0;
    virtual bool setDword(Hive hive, const std::string& key, const std::string& name,
                          uint32_t value) = 0;
    virtual bool deleteValue(Hive hive, const std::string& key, const std::string& name) = 0;
};

// The MIDI side's settings key under both hives.
inline constexpr const char* kQmtMidiKey = "Software\\QMT\\QMTMIDI";
inline constexpr const char* kPresetPathValue = "Preset Path";
inline constexpr const char* kMappingPathValue = "Mapping Path";
inline constexpr const char* kSelectedMappingValue = "Selected Mapping";

}  // namespace qmt
