#include "asio/IntegerDownSamplerateConverter.h"

#include <algorithm>

namespace qmt {

template <typename T>
IntegerDownSamplerateConverter<T>::IntegerDownSamplerateConverter(std::uint32_t factor)
    : factor_(std::clamp<std::uint32_t>(factor, 1, kMaxFactor)) {}

template <typename T>
void IntegerDownSamplerateConverter<T>::convert(const T* src, std::size_t count, T* dst,
                                                std::size_t& produced) {
    produced = 0;
    std::int32_t sum = carriedSum_;
    std::uint32_t inGroup = carriedCount_;
    for (std::size_t i = 0; i < count; ++i) {
        sum += static_cast<std::int32_t>(src[i]);
        if (++inGroup < factor_) continue;
        // Integer division truncates toward zero, as the averaging requires.
        dst[produced++] = T(static_cast<std::int32_t>(sum / static_cast<std::int32_t>(factor_)));
        sum = 0;
        inGroup = 0;
    }
    carriedSum_ = sum;
    carriedCount_ = inGroup;
}

template class IntegerDownSamplerateConverter<short>;
template class IntegerDownSamplerateConverter<Int24>;

}  // namespace qmt
