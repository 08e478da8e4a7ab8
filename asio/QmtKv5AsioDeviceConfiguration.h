#pragma once
// The KV5's sound card: one stereo output, 24 or 16 bits at 48 or 44.1 kHz.

#include "asio/AsioDeviceConfigurationAbs.h"

namespace qmt {

class QmtKv5AsioDeviceConfiguration final : public AsioDeviceConfigurationAbs {
  public:
    // (capture channels, render channels, rate, bits), in the order pins are tried.
    static constexpr AsioDeviceFormat kFormats[] = {
        {0, 2, 48000, 24}, {0, 2, 44100, 24}, {0, 2, 48000, 16}, {0, 2, 44100, 16}};
    static constexpr AsioChannelGroup kGroups[] = {{AsioChannelDirection::Render, "N/A"}};

    QmtKv5AsioDeviceConfiguration() : AsioDeviceConfigurationAbs(kFormats, kGroups) {}
};

}  // namespace qmt
