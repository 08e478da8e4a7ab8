#include "asio/IntegerUpSamplerateConverter.h"

#include <algorithm>

namespace qmt {

template <typename T>
IntegerUpSamplerateConverter<T>::IntegerUpSamplerateConverter(std::uint32_t factor)
    : factor_(std::clamp<std::uint32_t>(factor, 1, kMaxFactor)) {}

template <typename T>
void IntegerUpSamplerateConverter<T>::convert(const T* src, std::size_t count, T* dst,
                                              std::size_t& produced) {
    for (std::size_t i = 0; i < count; ++i)
        dst = std::fill_n(dst, factor_, src[i]);
    produced = count * factor_;
}

template class IntegerUpSamplerateConverter<short>;
template class IntegerUpSamplerateConverter<Int24>;

}  // namespace qmt
