#pragma once
// The resamplers audio users trust (libsamplerate, soxr, speexdsp) and ours behind one small
// streaming interface, so the benchmark and the quality program treat them all alike.
// Mono, fed block by block like a driver would, never flushed.

#include <memory>
#include <string>
#include <vector>

#include "asio/Int24.h"

namespace qmt::bench {

class MonoResampler {
  public:
    virtual ~MonoResampler() = default;
    // Each converts n samples and returns how many it wrote (out has room for cap).
    virtual std::size_t process16(const short* in, std::size_t n, short* out, std::size_t cap) = 0;
    virtual std::size_t process24(const Int24* in, std::size_t n, Int24* out, std::size_t cap) = 0;
};

// Names: "ours", "lsr-fastest", "lsr-medium", "soxr-qq", "soxr-lq", "soxr-hq", "speex-4".
// bits picks the sample path the instance is prepared for (16 or 24). Null for an unknown name.
std::unique_ptr<MonoResampler> makeResampler(const std::string& name, double inRate, double outRate,
                                             int bits);

const std::vector<std::string>& resamplerNames();

}  // namespace qmt::bench
