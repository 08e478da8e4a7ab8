#pragma once
// What every capture adapter holds: its converter, the input buffer of C hardware-rate samples,
// C, and the ASIO buffer frames B it was made for.

#include <algorithm>
#include <memory>
#include <vector>

#include "asio/InputSamplerateConverterIf.h"
#include "asio/SamplerateConverterIf.h"

namespace qmt {

template <typename T>
class InputSamplerateConversionAdapterAbs : public InputSamplerateConverterIf {
  public:
    void* inputBuffer() override { return input_.data(); }
    std::size_t capacity() const override { return input_.size(); }

    std::size_t process(std::size_t count, void* dst) override {
        std::size_t produced = 0;
        converter_->convert(input_.data(), std::min(count, input_.size()), static_cast<T*>(dst),
                            produced);
        return produced;
    }

  protected:
    InputSamplerateConversionAdapterAbs(std::unique_ptr<SamplerateConverterIf<T>> converter,
                                        std::size_t capacity, std::size_t bufferFrames)
        : converter_(std::move(converter)), input_(capacity), bufferFrames_(bufferFrames) {}

    std::unique_ptr<SamplerateConverterIf<T>> converter_;
    std::vector<T> input_;
    std::size_t bufferFrames_;
};

}  // namespace qmt
