#pragma once
// The KRT4 in its mode with two stereo outputs and two stereo inputs.

#include "asio/AsioDeviceConfigurationAbs.h"

namespace qmt {

class BrxKrt4AsioDeviceConfiguration_4Out4In final : public AsioDeviceConfigurationAbs {
  public:
    // (capture channels, render channels, rate, bits), in the order pins are tried.
    static constexpr AsioDeviceFormat kFormats[] = {{4, 4, 44100, 16}};
    static constexpr AsioChannelGroup kGroups[] = {{AsioChannelDirection::Render, "Midilog2"},
                                                   {AsioChannelDirection::Capture, "Midilog2 rec"},
                                                   {AsioChannelDirection::Render, "Midilog3"},
                                                   {AsioChannelDirection::Capture, "Midilog3 rec"}};

    BrxKrt4AsioDeviceConfiguration_4Out4In() : AsioDeviceConfigurationAbs(kFormats, kGroups) {}
    const char* getName() const override { return "4 in - 4 out"; }
};

}  // namespace qmt
