#include "asio/AsioChannelBuffers.h"

#include <cstring>
#include <new>

#include "asio/AccumulatorSaturation.h"

namespace qmt {

namespace {

template <typename T>
bool allocateZeroed(std::unique_ptr<T[]>& buffer, size_t count) {
    buffer.reset(new (std::nothrow) T[count]());
    return buffer != nullptr;
}

}  // namespace

bool AsioChannelBuffers::allocate(const bool* inputInUse, uint32_t frames, uint32_t asioBits) {
    free();
    frames_ = frames;
    asioBits_ = asioBits;
    const size_t bytes = size_t{asioBits / 8} * frames;
    bool ok = true;
    for (uint32_t i = 0; ok && i < kChannels * 2; ++i)
        ok = allocateZeroed(inputs_[i], bytes) && allocateZeroed(outputs_[i], bytes);
    for (uint32_t channel = 0; ok && channel < kChannels; ++channel) {
        if (inputInUse[channel]) ok = allocateZeroed(accumulators_[channel], frames);
    }
    if (!ok) free();
    return ok;
}

void AsioChannelBuffers::free() {
    for (auto& buffer : inputs_)
        buffer.reset();
    for (auto& buffer : outputs_)
        buffer.reset();
    for (auto& accumulator : accumulators_)
        accumulator.reset();
    frames_ = 0;
}

void AsioChannelBuffers::publishInput(uint32_t channel, uint32_t half) {
    int32_t* sums = accumulators_[channel].get();
    if (sums == nullptr) return;
    saturateAccumulator(sums, input(channel, half), frames_, asioBits_);
    std::memset(sums, 0, size_t{frames_} * sizeof(int32_t));
}

void AsioChannelBuffers::silenceInput(uint32_t channel) {
    const size_t bytes = size_t{asioBits_ / 8} * frames_;
    if (int32_t* sums = accumulators_[channel].get()) {
        std::memset(sums, 0, size_t{frames_} * sizeof(int32_t));
    }
    for (uint32_t half = 0; half < 2; ++half) {
        if (void* buffer = input(channel, half)) std::memset(buffer, 0, bytes);
    }
}

}  // namespace qmt
