#include "asio/AsioBufferSizeModelAbs.h"

#include <cstdio>

namespace qmt {

namespace {
constexpr double kStepSeconds = 0.001;
}  // namespace

double AsioBufferSizeModelAbs::getLength(uint32_t index) const {
    // Built without fused multiply-add (see CMakeLists.txt): one rounding for the product and
    // one for the sum, as the sizes the hosts know were computed.
    return static_cast<double>(index) * kStepSeconds + firstLength_;
}

std::string AsioBufferSizeModelAbs::getText(uint32_t index) const {
    char text[64];
    std::snprintf(text, sizeof text, "ASIO Buffer length = %.0f ms", getLength(index) * 1000.0);
    return text;
}

}  // namespace qmt
