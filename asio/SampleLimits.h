#pragma once
// The range of each sample type the converters handle, used where a template only knows the
// sample type but the variable-rate converter needs its limits as constants.

#include <cstdint>

#include "asio/Int24.h"

namespace qmt {

template <typename T>
struct SampleLimits;

template <>
struct SampleLimits<short> {
    static constexpr std::int32_t kMin = -32768;
    static constexpr std::int32_t kMax = 32767;
};

template <>
struct SampleLimits<Int24> {
    static constexpr std::int32_t kMin = -8388608;
    static constexpr std::int32_t kMax = 8388607;
};

}  // namespace qmt
