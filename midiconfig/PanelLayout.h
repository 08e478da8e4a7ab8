#pragma once
// Which fields and labels a message half shows for its kind and the assignment's event type.

#include <bitset>
#include <cstdint>
#include <string>

#include "midiconfig/PanelState.h"

namespace qmt {

struct HalfLayout {
    std::bitset<kHalfFieldCount> fields;  // shown fields (the kind list is always shown)
    std::array<const char*, kHalfLabelCount> labels{};  // null: hidden

    bool shows(HalfField f) const { return fields[static_cast<size_t>(f)]; }
};

// The layout for a message kind; a kind the panel does not offer ("Key") shows nothing,
// like "None".
HalfLayout LayoutOf(uint8_t kind, uint8_t function);

}  // namespace qmt
