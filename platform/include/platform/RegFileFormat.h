#pragma once
// The text form of a hive, in the shape of a .reg export:
//
//   [HKEY_CURRENT_USER\Software\QMT\QMTMIDI]
//   "Preset Path"="/home/dj/presets"
//   "Buffer Size"=dword:00000005
//
// Backslashes and quotes in names and strings are escaped with a backslash; line breaks,
// which a .reg string cannot hold, are written as \n and \r so that a value never breaks
// the file. Anything else (other value types, deletion lines, keys of another hive) makes
// the file count as corrupt, so it is kept aside instead of being rewritten without them.

#include <string>

#include "platform/RegistryHive.h"

namespace qmt {

class RegFileFormat {
  public:
    // `hiveName` is "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
    static bool parse(const std::string& text, const std::string& hiveName, RegistryHive& hive);
    static std::string serialize(const RegistryHive& hive, const std::string& hiveName);

    static std::string escape(const std::string& text);
};

}  // namespace qmt
