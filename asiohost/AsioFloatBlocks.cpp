#include "asiohost/AsioFloatBlocks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "asio/Int24.h"

namespace qmt::asiohost {

namespace {

constexpr float kScale16 = 32768.0f;
constexpr float kScale24 = 8388608.0f;
constexpr double kScale32 = 2147483648.0;

template <typename T>
T Clamped(double value, double low, double high) {
    return static_cast<T>(std::lrint(std::clamp(value, low, high)));
}

}  // namespace

void AsioToFloat(const void* source, uint32_t bits, float* target, size_t frames) {
    if (bits == 16) {
        const auto* in = static_cast<const int16_t*>(source);
        for (size_t i = 0; i < frames; ++i)
            target[i] = static_cast<float>(in[i]) / kScale16;
    } else if (bits == 24) {
        const auto* in = static_cast<const Int24*>(source);
        for (size_t i = 0; i < frames; ++i)
            target[i] = static_cast<float>(static_cast<int32_t>(in[i])) / kScale24;
    } else if (bits == 32) {
        const auto* in = static_cast<const int32_t*>(source);
        for (size_t i = 0; i < frames; ++i)
            target[i] = static_cast<float>(static_cast<double>(in[i]) / kScale32);
    } else {
        std::fill(target, target + frames, 0.0f);
    }
}

void FloatToAsio(const float* source, void* target, uint32_t bits, size_t frames) {
    if (bits == 16) {
        auto* out = static_cast<int16_t*>(target);
        for (size_t i = 0; i < frames; ++i)
            out[i] = Clamped<int16_t>(source[i] * double{kScale16}, -32768.0, 32767.0);
    } else if (bits == 24) {
        auto* out = static_cast<Int24*>(target);
        for (size_t i = 0; i < frames; ++i)
            out[i] = Int24(Clamped<int32_t>(source[i] * double{kScale24}, -8388608.0, 8388607.0));
    } else if (bits == 32) {
        auto* out = static_cast<int32_t*>(target);
        for (size_t i = 0; i < frames; ++i)
            out[i] = Clamped<int32_t>(source[i] * kScale32, -2147483648.0, 2147483647.0);
    }
}

void ClearAsio(void* target, uint32_t bits, size_t frames) {
    std::memset(target, 0, frames * (bits / 8));
}

}  // namespace qmt::asiohost
