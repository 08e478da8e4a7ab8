#pragma once
// Capture side of one pin channel: hardware-rate samples go into inputBuffer, and process turns
// them into ASIO-rate samples. Samples travel as raw memory of the channel's sample type, the
// way the capture filter splits them out of the interleaved hardware data.

#include <cstddef>
#include <optional>

namespace qmt {

class InputSamplerateConverterIf {
  public:
    virtual ~InputSamplerateConverterIf() = default;
    // Room for capacity() hardware-rate samples of one channel.
    virtual void* inputBuffer() = 0;
    // Hardware frames per ASIO buffer at most: the size of inputBuffer.
    virtual std::size_t capacity() const = 0;
    // Hardware frames to read so that one more ASIO buffer of bufferFrames can be produced,
    // when the read before it, of `pendingRead` frames (none: nothing is on its way), has not
    // been processed yet: the capture filter keeps two reads in flight and sizes each as it
    // queues it. What the pending read will bring is counted as if it were there; sizing from
    // what has arrived alone would leave a buffer a sample short now and then.
    virtual std::size_t framesNeeded(std::size_t bufferFrames,
                                     std::optional<std::size_t> pendingRead) const = 0;
    // Converts count samples from inputBuffer into dst; returns the number written to dst.
    // count is limited to capacity().
    virtual std::size_t process(std::size_t count, void* dst) = 0;
};

}  // namespace qmt
