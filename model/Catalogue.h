#pragma once
// The fixed vocabulary shared by every controller model: 88 control identifiers, their
// input kinds and display names, the event types, and which controls each model has.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "model/ControlId.h"

namespace qmt {

constexpr uint8_t kControlCount = 88;  // identifiers 0 to 87
constexpr uint8_t kNoControl = 88;     // "no control", e.g. an assignment without modifier

enum class ControlKind : uint8_t { Button, Rotary, Absolute, VelocityPad };

// Event types ("function" in the preset file).
enum EventType : uint8_t {
    kToggle = 0,
    kTrigger = 1,
    kAutoRepeat = 2,
    kRotate = 3,
    kSlide = 4,
    kPress = 5,
};
constexpr uint8_t kEventTypeCount = 6;

// Model type numbers, the same in the driver, the programs and the mapping files.
enum ModelType : uint8_t {
    kModelKv10 = 1,
    kModelKv5 = 2,
    kModelArdo = 3,
    kModelArdoRawProto2009 = 4,
    kModelKrt4 = 5,
    kModelArdoRaw = 6,
};

// Preset classes: which preset kind (and mapping slots) a model type uses.
enum PresetClass : uint8_t {
    kPresetClassNone = 0,
    kPresetClassKvp = 1,  // slot 0
    kPresetClassKap = 2,  // slots 1, 2
    kPresetClassKrp = 3,  // slots 3, 4
    kPresetClassKqp = 5,  // slots 5, 6
};

constexpr uint8_t kNoButtonSlot = 0xFF;

// The controls a model's decoder walks, in processing (and button bit) order.
struct ModelControls {
    std::span<const uint8_t> buttons;
    std::span<const uint8_t> rotaries;
    std::span<const uint8_t> absolutes;
    std::span<const uint8_t> pads;
    // Control identifier -> index in `buttons`, or kNoButtonSlot. Entry 88 is always none.
    std::array<uint8_t, kControlCount + 1> buttonSlot;
};

ControlKind ControlKindOf(uint8_t control);
// Display name of a control ("Eject", "Play", ...); nullptr for identifiers of 88 and above.
const char* ControlNameOf(uint8_t control);
// The maker's USB vendor id.
inline constexpr uint16_t kQmtVendorId = 0xF7E1;

// One of the maker's USB products and the model type it is served as.
struct ProductModel {
    uint16_t productId;
    uint8_t modelType;
};
// Every product, in the order the driver tries them: 0x0100, 0x0202, 0x0300, 0x0310.
// Product 0x0310 is always the ARDO RAW; the 2009 prototype (model type 4) shares it and
// is never chosen by product.
std::span<const ProductModel> ProductModels();
// The model type served for a product id, or nothing.
std::optional<uint8_t> ModelTypeForProductId(uint16_t productId);
PresetClass PresetClassOf(uint32_t modelType);
// The model's control lists; nullptr for model types without a decoder (5 and unknown).
const ModelControls* ControlsOf(uint8_t modelType);

// Display names of event types and their two messages.
const char* EventTypeName(uint8_t eventType);
const char* FirstMessageName(uint8_t eventType);
const char* SecondMessageName(uint8_t eventType);
const char* FirstMessageShortLabel(uint8_t eventType);
const char* SecondMessageShortLabel(uint8_t eventType);

// Which event types an assignment on this control may have.
bool EventTypeAllowedFor(uint8_t control, uint8_t eventType);

}  // namespace qmt
