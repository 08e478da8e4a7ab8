#pragma once
// Integer upsampling by sample repetition: every input sample is written factor times.

#include <cstdint>

#include "asio/Int24.h"
#include "asio/SamplerateConverterIf.h"

namespace qmt {

template <typename T>
class IntegerUpSamplerateConverter final : public SamplerateConverterIf<T> {
  public:
    static constexpr std::uint32_t kMaxFactor = 256;

    // A factor outside 1 ... kMaxFactor is clamped into that range.
    explicit IntegerUpSamplerateConverter(std::uint32_t factor);

    // Produces count × factor samples.
    void convert(const T* src, std::size_t count, T* dst, std::size_t& produced) override;

    std::uint32_t factor() const { return factor_; }

  private:
    std::uint32_t factor_;
};

extern template class IntegerUpSamplerateConverter<short>;
extern template class IntegerUpSamplerateConverter<Int24>;

}  // namespace qmt
