#pragma once
// Giving every connected controller an entry in a mapping, so that the configuration
// program can assign presets to it.

#include <cstdint>
#include <string>
#include <vector>

#include "model/Mapping.h"

namespace qmt {

struct ConnectedController {
    std::string serial;
    uint32_t modelType = 0;
};

// Controllers are taken in ascending byte order of their serials (equal serials in the
// given order). A controller whose serial names an entry (exactly) has one already; else it
// takes the first unnamed entry of type 0 or of its preset class; else a new entry of its
// type, without presets, is appended. True when the mapping changed.
bool AddControllerEntries(Mapping& mapping, std::vector<ConnectedController> controllers);

}  // namespace qmt
