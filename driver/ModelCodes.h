#pragma once
// Which handler class an arriving HID interface gets, by the product id in its path.

#include <cstdint>
#include <string>

namespace qmt {

// The model code for an interface path, or 0 when the path names none of the maker's
// controllers: the catalogue's products are tried in its order, without regard to case;
// no path yields code 4 (ARDO RAW PROTO 2009).
uint8_t ModelCodeForPath(const std::string& path);

// Interface paths compare without regard to case (A to Z folded).
bool SamePath(const std::string& a, const std::string& b);

}  // namespace qmt
