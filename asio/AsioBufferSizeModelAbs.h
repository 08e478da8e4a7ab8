#pragma once
// The buffer-size models of both brands: whole milliseconds from a first length upwards.
// The length is computed in double precision as index * 0.001 + first, in that order: the
// driver takes the ceiling of length * rate, so the rounding of this sum is part of the
// sizes hosts see (index 8 of the maker's model gives 433 frames at 48 kHz, not 432).

#include "asio/AsioBufferSizeModelIf.h"

namespace qmt {

class AsioBufferSizeModelAbs : public AsioBufferSizeModelIf {
  public:
    static constexpr uint32_t kTickSpacing = 10;

    uint32_t getDefaultIndex() const override { return defaultIndex_; }
    uint32_t getNumberOfSizes() const override { return count_; }
    uint32_t getTickSpacing() const override { return kTickSpacing; }
    double getLength(uint32_t index) const override;
    std::string getText(uint32_t index) const override;

  protected:
    AsioBufferSizeModelAbs(uint32_t count, double firstLength, uint32_t defaultIndex)
        : count_(count), firstLength_(firstLength), defaultIndex_(defaultIndex) {}

  private:
    const uint32_t count_;
    const double firstLength_;
    const uint32_t defaultIndex_;
};

}  // namespace qmt
