#pragma once
// Which fields a message holds in a preset file, in file order. The reader and the writer
// both walk this one description, so they cannot disagree about what a version stores.

#include <cstdint>

#include "model/Preset.h"

namespace qmt {

// Message kinds whose file layout is known; anything else cannot be skipped safely.
inline bool KnownMessageKind(uint8_t kind) {
    return kind < kMessageKindCount;
}

// The fields after the kind byte, up to (not including) threshold and flags. `Io` is a
// field reader or writer with u8, wide8 (u8 in the file, 16 bits in memory), step8 (i8 in
// the file), u16, i16, u32 and extended (length byte and raw bytes); each returns false
// when the field cannot be transferred. `Msg` is Message for reading, const Message for
// writing.
template <class Io, class Msg>
bool TransferMessageFields(Io& io, Msg& m, uint8_t function, uint8_t version) {
    const bool relative = function == kRotate;
    const bool absolute = function == kSlide;
    const bool button = !relative && !absolute;
    const bool encoded = relative && version >= 1;  // version 0 files carry no encoding
    const bool padVelocity = function == kPress;    // the pad supplies the velocity
    switch (m.kind) {
        case kMsgNote:
        case kMsgAftertouch:
            return io.u8(m.channel) && io.u8(m.number) && (padVelocity || io.wide8(m.value));
        case kMsgControlChange:
            return io.u8(m.channel) && io.u8(m.number) && (!button || io.wide8(m.value)) &&
                   (!encoded || io.u8(m.encoding));
        case kMsgControlChangeInc:
            return io.u8(m.channel) && io.u8(m.number) && io.wide8(m.min) && io.wide8(m.max) &&
                   (!button || io.step8(m.step));
        case kMsgProgramChange:
            return io.u8(m.channel) && (!button || io.wide8(m.value)) &&
                   (!encoded || io.u8(m.encoding));
        case kMsgProgramChangeInc:
            return io.u8(m.channel) && io.wide8(m.min) && io.wide8(m.max) &&
                   (!button || io.step8(m.step));
        case kMsgChannelMode:
            return io.u8(m.channel) && io.wide8(m.value);
        case kMsgPitchWheel:
            return io.u8(m.channel) && (!button || io.u16(m.value)) &&
                   (!encoded || io.u8(m.encoding));
        case kMsgPitchWheelInc:
            return io.u8(m.channel) && io.u16(m.min) && io.u16(m.max) &&
                   (!button || io.i16(m.step));
        case kMsgExtended:
            return io.u8(m.channel) && io.extended(m.extended);
        case kMsgKey:
            return io.u32(m.keyApplication) && io.u32(m.keyCode);
        case kMsgHiResControlChange:
            return io.u8(m.channel) && io.u8(m.number) && (!button || io.u16(m.value)) &&
                   (!encoded || io.u8(m.encoding));
        case kMsgHiResControlChangeInc:
            return io.u8(m.channel) && io.u8(m.number) && io.u16(m.min) && io.u16(m.max) &&
                   (!button || io.i16(m.step));
        default:
            return m.kind == kMsgNone;
    }
}

// Threshold and flags follow the fields of every message that does something on a
// "Rotate" or "Slide" assignment.
inline bool HasThreshold(const Message& m, uint8_t function) {
    return m.kind != kMsgNone && (function == kRotate || function == kSlide);
}

// The first format versions that store encodings, flags and the release timeout.
constexpr uint8_t kFirstVersionWithEncoding = 1;
constexpr uint8_t kFirstVersionWithFlags = 1;
constexpr uint8_t kFirstVersionWithReleaseTimeout = 3;

// Milliseconds in the file, 100-nanosecond units in memory.
constexpr int64_t kTicksPerMillisecond = 10000;

}  // namespace qmt
