#pragma once
// Render side of one pin channel: an ASIO buffer of one channel becomes hardware-rate samples
// in the adapter's own output buffer.

#include <cstddef>

namespace qmt {

class OutputSamplerateConverterIf {
  public:
    virtual ~OutputSamplerateConverterIf() = default;
    // Hardware frames per ASIO buffer at most: the size of the output buffer.
    virtual std::size_t capacity() const = 0;
    // Converts bufferFrames samples from src (limited to the buffer frames the adapter was made
    // for), sets produced and returns the output buffer.
    virtual const void* process(const void* src, std::size_t bufferFrames,
                                std::size_t& produced) = 0;
};

}  // namespace qmt
