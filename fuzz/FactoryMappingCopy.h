#pragma once
// The factory mapping with its presets loaded as the driver loads them, once per process, and
// fresh deep copies of it for every input (runs change presets' run-time state and claim
// mapping entries).

#include <string>

#include "model/Mapping.h"

namespace qmt::fuzz {

// The factory set written into a temporary folder (removed at exit) and loaded from there.
const Mapping& LoadedFactoryMapping();
MappingPtr CopyMapping(const Mapping& mapping);

}  // namespace qmt::fuzz
