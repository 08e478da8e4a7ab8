#pragma once
// The in-memory preset: 88 assignment lists, as the engine uses them.
// Times are in 100-nanosecond units; the files store milliseconds.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/Catalogue.h"

namespace qmt {

enum MessageKind : uint8_t {
    kMsgNone = 0,
    kMsgNote = 1,
    kMsgAftertouch = 2,
    kMsgControlChange = 3,
    kMsgControlChangeInc = 4,
    kMsgProgramChange = 5,
    kMsgProgramChangeInc = 6,
    kMsgChannelMode = 7,
    kMsgPitchWheel = 8,
    kMsgPitchWheelInc = 9,
    kMsgExtended = 10,
    kMsgKey = 11,
    kMsgHiResControlChange = 12,
    kMsgHiResControlChangeInc = 13,
};
constexpr uint8_t kMessageKindCount = 14;

constexpr uint8_t kChannelDefault = 253;  // replaced by the mapping slot's default channel
constexpr uint8_t kChannelOmni = 254;     // all 16 channels

// Relative encodings, named after their (negative : positive) one-step values.
enum Encoding : uint8_t {
    kEnc3F41 = 0,
    kEnc3F40 = 1,
    kEnc7F01 = 2,
    kEnc7F00 = 3,
    kEnc4041 = 4,
    kEnc0001 = 5,
};
constexpr uint8_t kEncodingCount = 6;

// One of an assignment's two messages. Only the fields of its kind are meaningful:
//   note/aftertouch: number = note, value = velocity or pressure
//   control change:  number = controller, value = value (button), encoding (relative)
//   cc (inc):        number = controller, min, max, step
//   program change:  value = program (button), encoding (relative)
//   program (inc):   min, max, step
//   channel mode:    value = command
//   pitch wheel:     value (button, 14-bit), encoding (relative)
//   pitch (inc):     min, max (14-bit), step
//   extended:        extended = the raw bytes (1 to 255)
//   key:             keyApplication, keyCode (kept for the configuration program only)
//   hi-res cc:       number = controller (MSB of the pair), value (14-bit), encoding
//   hi-res cc (inc): number = controller, min, max, step
struct Message {
    uint8_t kind = kMsgNone;
    uint8_t channel = 0;
    int32_t threshold = 0;  // movement per step for "Rotate"/"Slide" (file units)
    uint8_t number = 0;
    uint8_t encoding = 0;
    uint16_t value = 0;
    uint16_t min = 0;
    uint16_t max = 0;
    int16_t step = 0;
    uint32_t keyApplication = 0;
    uint32_t keyCode = 0;
    std::vector<uint8_t> extended{};

    bool operator==(const Message&) const = default;
};

struct Assignment {
    // From the file.
    uint8_t modifier = kNoControl;
    uint8_t function = kToggle;  // EventType
    bool inverted = false;       // "Inverted": ORed over both messages' flags
    int64_t interval = 0;        // auto-repeat interval, 100 ns
    int64_t releaseTimeout = 0;  // modifier grace time, 100 ns
    std::array<Message, 2> messages;

    // Run-time state of the engine; zero after loading.
    bool active = false;
    bool toggleState = false;
    int64_t lastActivation = 0;
    int64_t repeatReference = 0;
    // "Slide": last position × 4096; "Rotate": movement not yet turned into steps;
    // "Press": last pressure.
    int64_t accumulator = 0;

    // True when at least one message does something (the writer keeps only these).
    bool hasMessage() const {
        return messages[0].kind != kMsgNone || messages[1].kind != kMsgNone;
    }
    // Clears the run-time fields.
    void ResetRunTime() {
        active = false;
        toggleState = false;
        lastActivation = 0;
        repeatReference = 0;
        accumulator = 0;
    }
};

using AssignmentList = std::vector<Assignment>;

enum class PresetKind : uint8_t { Kvp, Kap, Krp, Kqp };

struct Preset {
    std::array<AssignmentList, kControlCount> lists;
    PresetKind kind = PresetKind::Kvp;
    uint8_t version = 0;  // format version 0 to 5, from the magic
    // Set by the mapping.
    bool sharedCopy = false;
    uint8_t inputChannel = 0;
};

using PresetPtr = std::unique_ptr<Preset>;

// An application-list entry, kept by the configuration program for "Key" messages.
struct ApplicationEntry {
    std::string displayName;
    std::string executablePath;
    bool operator==(const ApplicationEntry&) const = default;
};

}  // namespace qmt
