#pragma once
// The KV10's sound card: one stereo output at 48 kHz, 16 bits.

#include "asio/AsioDeviceConfigurationAbs.h"

namespace qmt {

class QmtKv10AsioDeviceConfiguration final : public AsioDeviceConfigurationAbs {
  public:
    // (capture channels, render channels, rate, bits), in the order pins are tried.
    static constexpr AsioDeviceFormat kFormats[] = {{0, 2, 48000, 16}};
    static constexpr AsioChannelGroup kGroups[] = {{AsioChannelDirection::Render, "N/A"}};

    QmtKv10AsioDeviceConfiguration() : AsioDeviceConfigurationAbs(kFormats, kGroups) {}
};

}  // namespace qmt
