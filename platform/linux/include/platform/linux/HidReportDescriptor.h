#pragma once
// Just enough of the HID report descriptor language to know whether a device numbers its
// reports: hidraw leaves the report number out when it does not, Windows always has it.

#include <cstdint>
#include <span>

namespace qmt {

bool UsesReportIds(std::span<const uint8_t> descriptor);

}  // namespace qmt
