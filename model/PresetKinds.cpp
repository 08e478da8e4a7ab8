#include "model/PresetKinds.h"

#include <algorithm>
#include <array>

namespace qmt {

namespace {
constexpr std::array<uint8_t, 2> kKvpModels{kModelKv10, kModelKv5};
constexpr std::array<uint8_t, 1> kKapModels{kModelArdo};
constexpr std::array<uint8_t, 1> kKrpModels{kModelArdoRawProto2009};
constexpr std::array<uint8_t, 1> kKqpModels{kModelArdoRaw};

bool Has(std::span<const uint8_t> list, uint8_t control) {
    return std::find(list.begin(), list.end(), control) != list.end();
}
}  // namespace

std::optional<PresetKind> PresetKindOfModel(uint32_t modelType) {
    switch (modelType) {
        case kModelKv10:
        case kModelKv5:
            return PresetKind::Kvp;
        case kModelArdo:
            return PresetKind::Kap;
        case kModelArdoRawProto2009:
            return PresetKind::Krp;
        case kModelArdoRaw:
            return PresetKind::Kqp;
        default:
            return std::nullopt;
    }
}

std::span<const uint8_t> ModelTypesOfKind(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return kKvpModels;
        case PresetKind::Kap:
            return kKapModels;
        case PresetKind::Krp:
            return kKrpModels;
        case PresetKind::Kqp:
            break;
    }
    return kKqpModels;
}

bool KindHasControl(PresetKind kind, uint8_t control) {
    for (uint8_t type : ModelTypesOfKind(kind)) {
        const ModelControls* controls = ControlsOf(type);
        if (controls == nullptr) continue;
        if (Has(controls->buttons, control) || Has(controls->rotaries, control) ||
            Has(controls->absolutes, control) || Has(controls->pads, control))
            return true;
    }
    return false;
}

}  // namespace qmt
