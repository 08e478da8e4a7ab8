#pragma once
// A controller handler of one model over an in-memory device, a manual port clock and a
// recording sink, with presets built in memory.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "AssignmentBuilders.h"
#include "RecordingSink.h"
#include "ReportBuilders.h"
#include "common/Clock.h"
#include "engine/ActionEngine.h"
#include "engine/ControllerHandlerFactory.h"
#include "engine/MemoryHidDevice.h"
#include "model/Catalogue.h"

namespace qmt::test {

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
