#pragma once
// A controller handler of one model over an in-memory device, a manual port clock and a
// recording sink, with presets built in memory; plus report builders per model layout.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "AssignmentBuilders.h"
#include "RecordingSink.h"
#include "common/Clock.h"
#include "engine/ActionEngine.h"
#include "engine/ControllerHandlerFactory.h"
#include "engine/MemoryHidDevice.h"
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

class HandlerRig {
  public:
    explicit HandlerRig(uint8_t model, int64_t startMs = 1000) : clock(Ms(startMs)) {
        auto memory = std::make_unique<MemoryHidDevice>("SN 42 \t ");
        device = memory.get();
        handler = CreateControllerHandler(model, engine, clock, std::move(memory));
        handler->Attach("\\\\?\\HID#VID_F7E1&PID_0300&MI_02#test");
    }

    // Puts an assignment on a control of the preset in `slot`.
    HandlerRig& assign(int slot, uint8_t control, Assignment a) {
        presets[slot].lists[control].push_back(std::move(a));
        return *this;
    }
    HandlerRig& inputChannel(int slot, uint8_t channel) {
        presets[slot].inputChannel = channel;
        return *this;
    }
    // Hands the slots that hold assignments (or an input channel) to the handler.
    void apply(std::initializer_list<int> slots) {
        PresetSlots record{};
        for (int slot : slots)
            record[slot] = &presets[slot];
        handler->SetPresets(record);
    }
    // One report through the reader's step at the current clock.
    void feed(const std::vector<uint8_t>& report) {
        device->QueueReport(report);
        handler->ReportStep();
    }
    void feedAt(int64_t ms, const std::vector<uint8_t>& report) {
        clock.set(Ms(ms));
        feed(report);
    }
    void midi(std::vector<uint8_t> bytes) {
        MidiBytes b{};
        std::copy(bytes.begin(), bytes.end(), b.begin());
        handler->BeginMidiBatch();
        handler->MidiMessage(static_cast<uint8_t>(bytes.size()), b);
        handler->EndMidiBatch();
    }
    std::vector<Bytes> take() {
        auto m = sink.messages();
        sink.clear();
        return m;
    }
    std::vector<MemoryHidDevice::Report> written() {
        auto w = device->written();
        device->ClearWritten();
        return w;
    }

    ManualClock clock;
    RecordingSink sink;
    MidiState state;
    ActionEngine engine{sink, state};
    MemoryHidDevice* device = nullptr;
    std::unique_ptr<ControllerHandler> handler;
    std::array<Preset, 7> presets{};
};

inline Bytes NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) {
    return {static_cast<uint8_t>(0x90 | channel), note, velocity};
}
inline Bytes Cc(uint8_t channel, uint8_t controller, uint8_t value) {
    return {static_cast<uint8_t>(0xB0 | channel), controller, value};
}

// A "Trigger" assignment that sends note `note` on press and its note-off on release.
inline Assignment TriggerNote(uint8_t note, uint8_t channel = 0) {
    return Assign(kTrigger, Msg(kMsgNote, channel).number(note).value(127),
                  Msg(kMsgNote, channel).number(note).value(0));
}

// The same assignment acting only while `modifier` is held.
inline Assignment Modified(Assignment a, uint8_t modifier, int64_t releaseMs = 0) {
    a.modifier = modifier;
    a.releaseTimeout = Ms(releaseMs);
    return a;
}

}  // namespace qmt::test
