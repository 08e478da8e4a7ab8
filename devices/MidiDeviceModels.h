#pragma once
// The device models the user-mode MIDI programs (the configuration program and the agent)
// and the QMT audio driver list: KV10, KV5, ARDO and ARDO RAW, in this order. ARDO RAW PROTO 2009 shares ARDO RAW's
// identifiers, so listing ARDO RAW only makes those controllers ARDO RAWs.

#include <memory>
#include <vector>

#include "devices/DeviceModelIf.h"
#include "platform/DeviceEnumeratorIf.h"

namespace qmt {

std::vector<std::unique_ptr<DeviceModelIf>> MidiDeviceModels(DeviceEnumeratorIf& devices);

}  // namespace qmt
