#pragma once
// The registry interface over two hives held in memory, answering every call as FileRegistry
// answers it for the same hive files (same path checks, a value of the other type is not
// found), without touching the disk. The fuzz targets of readers that go through the
// registry read their input this way: the text itself is the `registry` target's business.
// Not thread-safe.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/RegistryHive.h"

namespace qmt::fuzz {

class HiveRegistry final : public RegistryIf {
  public:
    RegistryHive user;
    RegistryHive machine;

    bool keyExists(Hive hive, const std::string& key) override;
    bool createKey(Hive hive, const std::string& key) override;
    bool deleteKey(Hive hive, const std::string& key) override;
    bool enumSubkeys(Hive hive, const std::string& key, std::vector<std::string>& names) override;
    bool queryString(Hive hive, const std::string& key, const std::string& name,
                     std::string& value) override;
    bool queryDword(Hive hive, const std::string& key, const std::string& name,
                    uint32_t& value) override;
    bool setString(Hive hive, const std::string& key, const std::string& name,
                   const std::string& value) override;
    bool setDword(Hive hive, const std::string& key, const std::string& name,
                  uint32_t value) override;
    bool deleteValue(Hive hive, const std::string& key, const std::string& name) override;

  private:
    RegistryHive& of(Hive hive) { return hive == Hive::CurrentUser ? user : machine; }
    RegistryValue* find(Hive hive, const std::string& key, const std::string& name,
                        RegistryValueType type);
    bool set(Hive hive, const std::string& key, const RegistryValue& value);
};

}  // namespace qmt::fuzz
