#pragma once
// The model type numbers the audio side tells devices apart by (the same numbers as in the
// device models and the settings' "Type" values).

#include <cstdint>

namespace qmt {

inline constexpr uint32_t kAsioModelKv10 = 1;
inline constexpr uint32_t kAsioModelKv5 = 2;
inline constexpr uint32_t kAsioModelArdo = 3;
inline constexpr uint32_t kAsioModelArdoRawProto2009 = 4;
inline constexpr uint32_t kAsioModelKrt4 = 5;
inline constexpr uint32_t kAsioModelArdoRaw = 6;

}  // namespace qmt
