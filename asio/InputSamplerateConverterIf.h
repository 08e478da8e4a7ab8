#pragma once
// Capture side of one pin channel: hardware-rate samples go into inputBuffer, and process turns
// them into ASIO-rate samples. Samples travel as raw memory of the channel's sample type, the
// way the capture filter splits them out of the interleaved hardware data.

#include <cstddef>

namespace qmt {

class InputSamplerateConverterIf {
  public:
    virtual ~InputSamplerateConverterIf() = default;
    // Room for capacity() hardware-rate samples of one channel.
    virtual void* inputBuffer() = 0;
    // Hardware frames per ASIO buffer at most: the size of inputBuffer.
    virtual std::size_t capacity() const = 0;
    // Hardware frames to read so that one ASIO buffer of bufferFrames can be produced.
    virtual std::size_t framesNeeded(std::size_t bufferFrames) const = 0;
    // Converts count samples from inputBuffer into dst; returns the number written to dst.
    // count is limited to capacity().
    virtual std::size_t process(std::size_t count, void* dst) = 0;
};

}  // namespace qmt
