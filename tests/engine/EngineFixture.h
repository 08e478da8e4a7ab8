#pragma once
// An engine over a recording sink and a fresh MIDI state, with a held table for modifiers.

#include <gtest/gtest.h>

#include "engine/ActionEngine.h"
#include "tests/engine/AssignmentBuilders.h"
#include "tests/engine/RecordingSink.h"

namespace qmt::test {

class EngineTest : public ::testing::Test {
  protected:
    RecordingSink sink;
    MidiState state;
    ActionEngine engine{sink, state};
    HeldTable held{};

    ControlContext Kv(int64_t now) { return {ModelFamily::Kv, true, &held, now}; }
    ControlContext Ardo(int64_t now, bool live = true) {
        return {ModelFamily::Ardo, live, &held, now};
    }

    // The messages sent since the last call.
    std::vector<Bytes> Take() {
        std::vector<Bytes> sent = sink.messages();
        sink.clear();
        return sent;
    }
};

}  // namespace qmt::test
