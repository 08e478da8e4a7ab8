#include "asio/QmtAsioBrand.h"

#include <cstdio>

#include "devices/MidiDeviceModels.h"

namespace qmt {

void QmtAsioBrand::getChannelName(char* buffer, size_t length, int32_t channel,
                                  bool /*isInput*/) const {
    if (buffer == nullptr || length == 0) return;
    std::snprintf(buffer, length, "Channel #%i", static_cast<int>(channel) + 1);
}

const char* QmtAsioBrand::getAboutText() const {
    return "QMT ASIO Driver, version 2\n"
           "Low-latency audio for the QMT KV10, KV5, ARDO and ARDO RAW controllers: every\n"
           "attached controller's sound card joined into one 16-in/16-out device.\n"
           "Copyright (C) QMT. All rights reserved.\n"
           "QMT, KV10, KV5 and ARDO are trademarks of QMT.\n"
           "\n"
           "ASIO Interface Technology by Steinberg Media Technologies GmbH";
}

std::vector<std::unique_ptr<DeviceModelIf>> QmtAsioBrand::createDeviceModels(
    DeviceEnumeratorIf& devices) const {
    // The audio driver serves the same four models the MIDI programs list.
    return MidiDeviceModels(devices);
}

}  // namespace qmt
