#pragma once
// The KRT4 in its mode with four stereo outputs and one stereo input.

#include "asio/AsioDeviceConfigurationAbs.h"

namespace qmt {

class BrxKrt4AsioDeviceConfiguration_8Out2In final : public AsioDeviceConfigurationAbs {
  public:
    // (capture channels, render channels, rate, bits), in the order pins are tried.
    static constexpr AsioDeviceFormat kFormats[] = {{2, 8, 44100, 16}};
    static constexpr AsioChannelGroup kGroups[] = {{AsioChannelDirection::Render, "Midilog1"},
                                                   {AsioChannelDirection::Render, "Midilog2"},
                                                   {AsioChannelDirection::Render, "Midilog3"},
                                                   {AsioChannelDirection::Render, "Midilog4"},
                                                   {AsioChannelDirection::Capture, "Master rec"}};

    BrxKrt4AsioDeviceConfiguration_8Out2In() : AsioDeviceConfigurationAbs(kFormats, kGroups) {}
    const char* getName() const override { return "8 in - 2 out"; }
};

}  // namespace qmt
