#pragma once
// The ARDO models' sound card: three stereo outputs (both decks and the headphones).

#include "asio/AsioDeviceConfigurationAbs.h"

namespace qmt {

class QmtArdoAsioDeviceConfiguration final : public AsioDeviceConfigurationAbs {
  public:
    // (capture channels, render channels, rate, bits), in the order pins are tried.
    static constexpr AsioDeviceFormat kFormats[] = {
        {0, 6, 44100, 24}, {0, 6, 48000, 16}, {0, 6, 44100, 16}};
    static constexpr AsioChannelGroup kGroups[] = {{AsioChannelDirection::Render, "Left"},
                                                   {AsioChannelDirection::Render, "Right"},
                                                   {AsioChannelDirection::Render, "Headphones"}};

    QmtArdoAsioDeviceConfiguration() : AsioDeviceConfigurationAbs(kFormats, kGroups) {}
};

}  // namespace qmt
