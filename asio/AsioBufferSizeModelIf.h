#pragma once
// The buffer lengths a brand offers, by index: the ASIO buffer size is chosen as an index into
// this list (stored as "Buffer Size") and turned into frames by the driver at the current rate.

#include <cstdint>
#include <string>

namespace qmt {

class AsioBufferSizeModelIf {
  public:
    virtual ~AsioBufferSizeModelIf() = default;
    virtual uint32_t getDefaultIndex() const = 0;
    virtual uint32_t getNumberOfSizes() const = 0;
    // Spacing of the control panel's trackbar ticks, in indexes.
    virtual uint32_t getTickSpacing() const = 0;
    // Length of the buffer in seconds.
    virtual double getLength(uint32_t index) const = 0;
    // "ASIO Buffer length = %.0f ms".
    virtual std::string getText(uint32_t index) const = 0;
};

}  // namespace qmt
