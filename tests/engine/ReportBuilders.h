#pragma once
// Input reports of every model, built field by field at the layouts' offsets.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/Catalogue.h"

namespace qmt::test {

// Bytes of a report at fixed offsets; little-endian like the devices.
struct ReportBytes {
    std::vector<uint8_t> bytes;

    explicit ReportBytes(size_t length) : bytes(length, 0) {}
    ReportBytes& u8(size_t at, uint8_t v) { return bytes[at] = v, *this; }
    ReportBytes& u16(size_t at, uint16_t v) {
        bytes[at] = v & 0xFF;
        bytes[at + 1] = v >> 8;
        return *this;
    }
    ReportBytes& u32(size_t at, uint32_t v) {
        u16(at, v & 0xFFFF);
        return u16(at + 2, v >> 16);
    }
    // Sets the bit of the control's button slot in a button field at `at`.
    ReportBytes& slotBit(size_t at, uint8_t model, uint8_t control) {
        const uint8_t slot = ControlsOf(model)->buttonSlot[control];
        EXPECT_NE(slot, kNoButtonSlot) << "control " << int(control) << " is not a button";
        bytes[at + slot / 8] |= static_cast<uint8_t>(1u << (slot % 8));
        return *this;
    }
    operator std::vector<uint8_t>() const { return bytes; }
};

// KV10: 11 bytes; counters A (backward) at 1, B (all) at 3, slider at 5, buttons at 7 with
// bit n = identifier n.
struct Kv10Report : ReportBytes {
    Kv10Report() : ReportBytes(11) {}
    Kv10Report& counters(uint16_t backward, uint16_t all) {
        u16(1, backward);
        u16(3, all);
        return *this;
    }
    Kv10Report& slider(uint16_t v) { return u16(5, v), *this; }
    Kv10Report& press(uint8_t control) {
        bytes[7 + control / 8] |= static_cast<uint8_t>(1u << (control % 8));
        return *this;
    }
};

// KV5: 17 bytes; wheel at 2, device time at 6, slider at 10, buttons (list bits) at 12.
struct Kv5Report : ReportBytes {
    Kv5Report() : ReportBytes(17) {}
    Kv5Report& wheel(uint16_t v) { return u16(2, v), *this; }
    Kv5Report& time(uint32_t v) { return u32(6, v), *this; }
    Kv5Report& slider(uint16_t v) { return u16(10, v), *this; }
    Kv5Report& press(uint8_t control) { return slotBit(12, kModelKv5, control), *this; }
};

// ARDO control report: 65 bytes, byte 2 = 53.
struct ArdoReport : ReportBytes {
    ArdoReport() : ReportBytes(65) { bytes[2] = 53; }
    ArdoReport& status(uint16_t v) { return u16(3, v), *this; }
    ArdoReport& wheel(int16_t v) { return u16(5, static_cast<uint16_t>(v)), *this; }
    ArdoReport& time(uint32_t v) { return u32(7, v), *this; }
    ArdoReport& oldSlider(uint16_t v) { return u16(11, v), *this; }
    ArdoReport& smallWheel(size_t n, uint8_t counter) { return u8(15 + n, counter), *this; }
    ArdoReport& knob(uint8_t control, uint16_t v) { return u16(19 + 2 * (control - 50), v), *this; }
    ArdoReport& touchY(uint16_t v) { return u16(39, v), *this; }
    ArdoReport& touchX(uint16_t v) { return u16(41, v), *this; }
    ArdoReport& secondSlider(uint16_t v) { return u16(43, v), *this; }
    ArdoReport& firstSlider(uint16_t v) { return u16(45, v), *this; }
    ArdoReport& press(uint8_t control) { return slotBit(47, kModelArdo, control), *this; }
    ArdoReport& deck(uint8_t bit) { return u8(53, bit), *this; }
};

// ARDO RAW control report.
struct ArdoRawReport : ReportBytes {
    ArdoRawReport() : ReportBytes(65) {
        bytes[2] = 53;
        for (size_t pad = 0; pad < 4; ++pad)
            u16(16 + 2 * pad, 0xFFFF);  // pads released
        bytes[48] = 0xFF;               // no selector position unless a test sets one
    }
    ArdoRawReport& time(uint32_t v) { return u32(3, v), *this; }
    ArdoRawReport& status(uint16_t v) { return u16(8, v), *this; }
    ArdoRawReport& wheel(int16_t v) { return u16(10, static_cast<uint16_t>(v)), *this; }
    ArdoRawReport& slider(uint16_t v) { return u16(12, v), *this; }
    ArdoRawReport& pad(size_t n, uint16_t pressure) { return u16(16 + 2 * n, pressure), *this; }
    ArdoRawReport& crossfader(uint16_t v) { return u16(28, v), *this; }
    ArdoRawReport& knobCounter(size_t n, uint8_t v) { return u8(40 + n, v), *this; }
    ArdoRawReport& smallWheel(size_t n, uint8_t v) { return u8(44 + n, v), *this; }
    ArdoRawReport& selector(uint8_t position) { return u8(48, position), *this; }
    ArdoRawReport& press(uint8_t control) { return slotBit(49, kModelArdoRaw, control), *this; }
    ArdoRawReport& deck(uint8_t bit) { return u8(53, bit), *this; }
};

// ARDO RAW PROTO 2009 control report.
struct ProtoReport : ReportBytes {
    ProtoReport() : ReportBytes(65) {
        bytes[2] = 53;
        for (size_t pad = 0; pad < 4; ++pad)
            u16(28 + 2 * pad, 0xFFFF);
    }
    ProtoReport& time(uint32_t v) { return u32(4, v), *this; }
    ProtoReport& smallWheel(size_t n, uint8_t v) { return u8(12 + n, v), *this; }
    ProtoReport& position(size_t n, uint16_t v) { return u16(16 + 2 * n, v), *this; }
    ProtoReport& pad(size_t n, uint16_t pressure) { return u16(28 + 2 * n, pressure), *this; }
    ProtoReport& slider2(uint16_t v) { return u16(42, v), *this; }
    ProtoReport& press(uint8_t control) {
        return slotBit(44, kModelArdoRawProto2009, control), *this;
    }
    ProtoReport& deck(uint8_t bit) { return u8(48, bit), *this; }
    ProtoReport& selector(uint8_t position) { return u8(49, position), *this; }
};

}  // namespace qmt::test
