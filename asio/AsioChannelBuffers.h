#pragma once
// The composite device's buffers for one createBuffers: both halves of all 16 ASIO inputs and
// 16 ASIO outputs (handed to the host), and a 32-bit accumulator per input in use, into which
// every capture filter that feeds the input adds its samples during a half.
//
// Allocated on the host's thread before the streaming thread starts and freed after it ended;
// in between only the streaming thread writes them (the host reads and writes the halves it
// was given, between buffer switches).

#include <cstdint>
#include <memory>

namespace qmt {

class AsioChannelBuffers {
  public:
    static constexpr uint32_t kChannels = 16;

    // Every buffer zeroed; accumulators only for the inputs in use (kChannels flags). False
    // (and nothing kept) when memory runs out.
    bool allocate(const bool* inputInUse, uint32_t frames, uint32_t asioBits);
    void free();

    void* input(uint32_t channel, uint32_t half) const { return inputs_[channel * 2 + half].get(); }
    void* output(uint32_t channel, uint32_t half) const {
        return outputs_[channel * 2 + half].get();
    }
    // Null for an input not in use.
    int32_t* accumulator(uint32_t channel) const { return accumulators_[channel].get(); }

    // The input's sums of the finished half become the host's `half` of the input, limited to
    // the sample width, and the sums start again from 0.
    void publishInput(uint32_t channel, uint32_t half);
    // An input nothing feeds any more plays silence from now on.
    void silenceInput(uint32_t channel);

  private:
    uint32_t frames_ = 0;
    uint32_t asioBits_ = 0;
    std::unique_ptr<uint8_t[]> inputs_[kChannels * 2];
    std::unique_ptr<uint8_t[]> outputs_[kChannels * 2];
    std::unique_ptr<int32_t[]> accumulators_[kChannels];
};

}  // namespace qmt
