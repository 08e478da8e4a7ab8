#include "platform/RegistryHive.h"

#include <algorithm>

#include "common/AsciiCase.h"

namespace qmt {

namespace {

// True when `path` lies below `parent` (any depth).
bool isBelow(const std::string& path, const std::string& parent) {
    if (parent.empty()) return !path.empty();
    return path.size() > parent.size() && path[parent.size()] == '\\' &&
           equalsIgnoreCase(path.substr(0, parent.size()), parent);
}

}  // namespace

bool RegistryHive::normalizePath(const std::string& path, std::string& normalized) {
    std::string p = path;
    if (!p.empty() && p.front() == '\\') p.erase(0, 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (p.find("\\\\") != std::string::npos) return false;
    if (!p.empty() && (p.front() == '\\' || p.back() == '\\')) return false;
    if (p.find_first_of("\r\n") != std::string::npos) return false;
    normalized = p;
    return true;
}

RegistryValue* RegistryKey::findValue(const std::string& name) {
    for (RegistryValue& value : values) {
        if (equalsIgnoreCase(value.name, name)) return &value;
    }
    return nullptr;
}

void RegistryKey::setValue(const RegistryValue& value) {
    RegistryValue* existing = findValue(value.name);
    if (existing == nullptr) {
        values.push_back(value);
        return;
    }
    existing->type = value.type;
    existing->text = value.text;
    existing->dword = value.dword;
}

bool RegistryKey::deleteValue(const std::string& name) {
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const RegistryValue& v) { return equalsIgnoreCase(v.name, name); });
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

bool RegistryHive::exists(const std::string& path) const {
    return path.empty() || index_.contains(toLowerAscii(path));
}

RegistryKey* RegistryHive::find(const std::string& path) {
    const auto it = index_.find(toLowerAscii(path));
    return it == index_.end() ? nullptr : &keys_[it->second];
}

RegistryKey& RegistryHive::create(const std::string& path) {
    if (RegistryKey* key = find(path)) return *key;
    const size_t cut = path.rfind('\\');
    if (cut != std::string::npos) create(path.substr(0, cut));
    keys_.push_back(RegistryKey{path, {}});
    index_.emplace(toLowerAscii(path), keys_.size() - 1);
    return keys_.back();
}

bool RegistryHive::remove(const std::string& path) {
    if (path.empty() || !exists(path)) return false;
    std::erase_if(keys_, [&](const RegistryKey& key) {
        return equalsIgnoreCase(key.path, path) || isBelow(key.path, path);
    });
    rebuildIndex();
    return true;
}

void RegistryHive::rebuildIndex() {
    index_.clear();
    for (size_t i = 0; i < keys_.size(); ++i)
        index_.emplace(toLowerAscii(keys_[i].path), i);
}

std::vector<std::string> RegistryHive::subkeys(const std::string& path) const {
    std::vector<std::string> names;
    const size_t start = path.empty() ? 0 : path.size() + 1;
    for (const RegistryKey& key : keys_) {
        if (!isBelow(key.path, path)) continue;
        const std::string rest = key.path.substr(start);
        if (rest.find('\\') == std::string::npos) names.push_back(rest);
    }
    return names;
}

}  // namespace qmt
