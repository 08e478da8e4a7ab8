#pragma once
// Integer downsampling by block averaging: each output is the mean of factor consecutive
// inputs, truncated toward zero. Groups may straddle calls; the unfinished group is carried.

#include <cstdint>

#include "asio/Int24.h"
#include "asio/SamplerateConverterIf.h"

namespace qmt {

template <typename T>
class IntegerDownSamplerateConverter final : public SamplerateConverterIf<T> {
  public:
    // 256 keeps the 32-bit group sum of full-scale 24-bit samples from overflowing.
    static constexpr std::uint32_t kMaxFactor = 256;

    // A factor outside 1 ... kMaxFactor is clamped into that range.
    explicit IntegerDownSamplerateConverter(std::uint32_t factor);

    // Produces (carried count + count) / factor samples.
    void convert(const T* src, std::size_t count, T* dst, std::size_t& produced) override;

    std::uint32_t factor() const { return factor_; }
    // Inputs of the unfinished group waiting for the next call.
    std::uint32_t carriedCount() const { return carriedCount_; }

  private:
    std::uint32_t factor_;
    std::uint32_t carriedCount_ = 0;
    std::int32_t carriedSum_ = 0;
};

extern template class IntegerDownSamplerateConverter<short>;
extern template class IntegerDownSamplerateConverter<Int24>;

}  // namespace qmt
