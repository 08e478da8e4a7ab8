#include "platform/RegFileFormat.h"

#include <cstdio>
#include <sstream>

#include "common/AsciiCase.h"

namespace qmt {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";

// Reads a quoted, escaped text starting at `pos` (on the opening quote); leaves `pos` after
// the closing quote.
bool readQuoted(const std::string& line, size_t& pos, std::string& out) {
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) return false;
        switch (line[pos]) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return false;
        }
    }
    return false;
}

bool readDword(const std::string& text, uint32_t& value) {
    static const std::string prefix = "dword:";
    if (text.size() <= prefix.size() || text.size() > prefix.size() + 8) return false;
    if (!startsWithIgnoreCase(text, prefix)) return false;
    value = 0;
    for (size_t i = prefix.size(); i < text.size(); ++i) {
        const char c = text[i];
        uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            return false;
        }
        value = value << 4 | digit;
    }
    return true;
}

bool parseValue(const std::string& line, RegistryValue& value) {
    size_t pos = 0;
    if (line[0] == '@') {
        value.name.clear();
        pos = 1;
    } else if (!readQuoted(line, pos, value.name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
        value.type = RegistryValueType::String;
        return readQuoted(line, pos, value.text) && pos == line.size();
    }
    value.type = RegistryValueType::Dword;
    return readDword(line.substr(pos), value.dword);
}

// "[HKEY_CURRENT_USER\A\B]" gives "A\B"; a section of another hive is refused.
bool parseSection(const std::string& line, const std::string& hiveName, std::string& path) {
    if (line.size() < 2 || line.back() != ']') return false;
    const std::string full = line.substr(1, line.size() - 2);
    if (!startsWithIgnoreCase(full, hiveName)) return false;
    if (full.size() == hiveName.size()) {
        path.clear();
        return true;
    }
    if (full[hiveName.size()] != '\\') return false;
    const std::string rest = full.substr(hiveName.size() + 1);
    // Stored paths are written in normal form; anything else was not written by us.
    return RegistryHive::normalizePath(rest, path) && path == rest && !path.empty();
}

std::string stripLine(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    return line;
}

}  // namespace

bool RegFileFormat::parse(const std::string& text, const std::string& hiveName,
                          RegistryHive& hive) {
    hive = RegistryHive();
    std::istringstream in(text);
    std::string line;
    RegistryKey* current = nullptr;
    bool first = true;
    while (std::getline(in, line)) {
        line = stripLine(line);
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        const bool isFirst = first;
        first = false;
        if (line.empty() || line[0] == ';') continue;
        if (isFirst && (line == kHeader || line == "REGEDIT4")) continue;
        if (line[0] == '[') {
            std::string path;
            if (!parseSection(line, hiveName, path)) return false;
            current = &hive.create(path);
            continue;
        }
        RegistryValue value;
        if (current == nullptr || (line[0] != '"' && line[0] != '@')) return false;
        if (!parseValue(line, value)) return false;
        current->setValue(value);
    }
    return true;
}

std::string RegFileFormat::escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string RegFileFormat::serialize(const RegistryHive& hive, const std::string& hiveName) {
    std::string out = std::string(kHeader) + "\n";
    for (const RegistryKey& key : hive.keys()) {
        out += "\n[" + hiveName + (key.path.empty() ? "" : "\\" + key.path) + "]\n";
        for (const RegistryValue& value : key.values) {
            out += value.name.empty() ? "@" : "\"" + escape(value.name) + "\"";
            if (value.type == RegistryValueType::String) {
                out += "=\"" + escape(value.text) + "\"\n";
                continue;
            }
            char dword[16];
            std::snprintf(dword, sizeof dword, "%08x", value.dword);
            out += std::string("=dword:") + dword + "\n";
        }
    }
    return out;
}

}  // namespace qmt
