#pragma once
// One registry hive held in memory: keys in stored order, each with its values. Key paths
// and value names compare without regard to case, as on Windows; stored spelling is kept.
// Keys are found through an index of their case-folded paths: a hive read from a file
// creates every key after looking for it, which a search through the list made quadratic.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qmt {

enum class RegistryValueType : uint8_t { String, Dword };

struct RegistryValue {
    std::string name;  // empty for the key's default value
    RegistryValueType type = RegistryValueType::String;
    std::string text;
    uint32_t dword = 0;
};

struct RegistryKey {
    std::string path;  // backslash-separated, relative to the hive; empty for the hive root
    std::vector<RegistryValue> values;

    RegistryValue* findValue(const std::string& name);
    void setValue(const RegistryValue& value);
    bool deleteValue(const std::string& name);
};

class RegistryHive {
  public:
    // Checks a caller's key path and brings it to the stored form: separators are single
    // backslashes, one leading or trailing backslash is dropped, and empty names or line
    // breaks are refused.
    static bool normalizePath(const std::string& path, std::string& normalized);

    // The hive root always exists, even with no entry of its own.
    bool exists(const std::string& path) const;
    RegistryKey* find(const std::string& path);
    // Creates the key and every missing parent.
    RegistryKey& create(const std::string& path);
    // Removes the key with every subkey; false when it does not exist or is the root.
    bool remove(const std::string& path);
    // Names of the direct subkeys, in stored order.
    std::vector<std::string> subkeys(const std::string& path) const;

    const std::vector<RegistryKey>& keys() const { return keys_; }
    bool isEmpty() const { return keys_.empty(); }

  private:
    void rebuildIndex();

    std::vector<RegistryKey> keys_;
    std::unordered_map<std::string, size_t> index_;  // folded path -> position in keys_
};

}  // namespace qmt
