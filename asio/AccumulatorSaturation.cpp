#include "asio/AccumulatorSaturation.h"

#include <algorithm>
#include <cstring>

#include "asio/SampleLimits.h"

namespace qmt {

void saturateAccumulator(const int32_t* accumulator, void* asioBuffer, uint32_t frames,
                         uint32_t asioBits) {
    switch (asioBits) {
        case 16: {
            auto* out = static_cast<int16_t*>(asioBuffer);
            for (uint32_t i = 0; i < frames; ++i) {
                out[i] = static_cast<int16_t>(std::clamp(accumulator[i], SampleLimits<short>::kMin,
                                                         SampleLimits<short>::kMax));
            }
            break;
        }
        case 24: {
            auto* out = static_cast<Int24*>(asioBuffer);
            for (uint32_t i = 0; i < frames; ++i)
                out[i] = Int24(std::clamp(accumulator[i], SampleLimits<Int24>::kMin,
                                          SampleLimits<Int24>::kMax));
            break;
        }
        default:
            std::memcpy(asioBuffer, accumulator, size_t{frames} * sizeof(int32_t));
            break;
    }
}

}  // namespace qmt
