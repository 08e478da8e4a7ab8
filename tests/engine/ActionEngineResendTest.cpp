// The state refresh when a mapping becomes live: what is repeated, in which order.

#include <gtest/gtest.h>

#include "model/Mapping.h"
#include "tests/engine/EngineFixture.h"

namespace qmt::test {
namespace {

using Sent = std::vector<Bytes>;

PresetPtr PresetWith(std::vector<Assignment> assignments) {
    auto preset = std::make_unique<Preset>();
    for (size_t i = 0; i < assignments.size(); ++i)
        preset->lists[i].push_back(assignments[i]);
    return preset;
}

class ResendTest : public EngineTest {
  protected:
    Mapping mapping;

    MappingEntry& AddEntry() { return mapping.entries.emplace_back(); }
};

TEST_F(ResendTest, ControllersThenProgramsThenPitchInAscendingOrder) {
    MappingEntry& entry = AddEntry();
    entry.presets[0] = PresetWith({
        Assign(kTrigger, Msg(kMsgControlChange, 1).number(7), Msg(kMsgProgramChange, 3)),
        Assign(kRotate, Msg(kMsgHiResControlChangeInc, 2).number(1), Msg(kMsgPitchWheel, 4)),
        Assign(kSlide, Msg(kMsgControlChangeInc, 0).number(7), Msg(kMsgPitchWheelInc, 0)),
        Assign(kToggle, Msg(kMsgNote, 5).number(7), Msg(kMsgProgramChangeInc, 0)),
    });
    state.controllers[1][7] = 11;
    state.controllers[2][1] = 21;
    state.controllers[2][33] = 23;
    state.programs[3] = 33;
    state.pitch[4] = 8192 * 4096;
    state.pitch[0] = 300 * 4096 + 17;  // an incremental wheel leaves fractions behind

    engine.ResendControllerState(mapping, 4242);
    EXPECT_EQ(sink.messages(), (Sent{{0xB2, 1, 21},
                                     {0xB0, 7, 0},
                                     {0xB1, 7, 11},
                                     {0xB2, 33, 23},
                                     {0xC0, 0},
                                     {0xC3, 33},
                                     {0xE0, 300 & 0x7F, 300 >> 7},
                                     {0xE4, 0, 64}}));
    for (int64_t time : sink.times())
        EXPECT_EQ(time, 4242);
}

TEST_F(ResendTest, OmniMarksEveryChannel) {
    AddEntry().presets[1] = PresetWith({Assign(kTrigger, Msg(kMsgProgramChange, kChannelOmni))});
    for (uint8_t c = 0; c < 16; ++c)
        state.programs[c] = c + 1;
    engine.ResendControllerState(mapping, 0);
    const Sent sent = sink.messages();
    ASSERT_EQ(sent.size(), 16u);
    for (uint8_t c = 0; c < 16; ++c)
        EXPECT_EQ(sent[c], (Bytes{static_cast<uint8_t>(0xC0 + c), static_cast<uint8_t>(c + 1)}));
}

TEST_F(ResendTest, SharedCopiesContributeTheirOwnChannelsWithoutRepeats) {
    // One preset named in two slots: the copy carries the second slot's default channel.
    MappingEntry& entry = AddEntry();
    entry.presets[1] = PresetWith({Assign(kTrigger, Msg(kMsgControlChange, 0).number(10))});
    entry.presets[2] = PresetWith({Assign(kTrigger, Msg(kMsgControlChange, 1).number(10))});
    entry.presets[2]->sharedCopy = true;
    // And an identical copy in another entry adds nothing.
    AddEntry().presets[1] = PresetWith({Assign(kTrigger, Msg(kMsgControlChange, 0).number(10))});
    mapping.entries.back().presets[1]->sharedCopy = true;

    engine.ResendControllerState(mapping, 0);
    EXPECT_EQ(sink.messages(), (Sent{{0xB0, 10, 0}, {0xB1, 10, 0}}));
}

TEST_F(ResendTest, NothingToRepeat) {
    AddEntry().presets[0] = PresetWith({Assign(kTrigger, Msg(kMsgNote, 0).number(1),
                                               Msg(kMsgControlChange, kChannelDefault).number(2))});
    engine.ResendControllerState(mapping, 0);
    engine.ResendControllerState(Mapping{}, 0);
    EXPECT_TRUE(sink.calls.empty());
}

}  // namespace
}  // namespace qmt::test
