#pragma once
// Which controller models a preset kind serves, and the other way round: KVP presets serve
// the KV10 and the KV5, KAP the ARDO, KRP the ARDO RAW PROTO 2009 and KQP the ARDO RAW.

#include <cstdint>
#include <optional>
#include <span>

#include "model/Preset.h"

namespace qmt {

// The kind of preset a model type uses; nothing for types without presets (5, unknown).
std::optional<PresetKind> PresetKindOfModel(uint32_t modelType);
// The model types a kind's presets serve (one or two).
std::span<const uint8_t> ModelTypesOfKind(PresetKind kind);
// True when some model the kind serves has the control.
bool KindHasControl(PresetKind kind, uint8_t control);

}  // namespace qmt
