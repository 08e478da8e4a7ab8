#pragma once
// One channel's sample-rate converter: turns a block of input samples into as many output
// samples as the block completes, carrying whatever it needs into the next call.

#include <cstddef>

namespace qmt {

template <typename T>
class SamplerateConverterIf {
  public:
    virtual ~SamplerateConverterIf() = default;
    // Converts count samples from src into dst and sets produced to the number written.
    // dst must have room for what count samples can produce (see each converter).
    virtual void convert(const T* src, std::size_t count, T* dst, std::size_t& produced) = 0;
};

}  // namespace qmt
