#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/MidiEventCodec.h"

namespace qmt {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(MidiEventCodecTest, ShortMessageBecomesOneEvent) {
    MidiEventCodec codec;
    ASSERT_TRUE(codec.valid());
    const auto events = codec.Encode(Bytes{0x91, 0x3C, 0x64});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, SND_SEQ_EVENT_NOTEON);
    EXPECT_EQ(events[0].data.note.channel, 1);
    EXPECT_EQ(events[0].data.note.note, 0x3C);
    EXPECT_EQ(events[0].data.note.velocity, 0x64);
}

TEST(MidiEventCodecTest, SeveralMessagesInOneBufferBecomeSeveralEvents) {
    MidiEventCodec codec;
    const auto events = codec.Encode(Bytes{0xB0, 0x10, 0x7F, 0xC2, 0x05});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, SND_SEQ_EVENT_CONTROLLER);
    EXPECT_EQ(events[1].type, SND_SEQ_EVENT_PGMCHANGE);
    EXPECT_EQ(events[1].data.control.value, 5);
}

TEST(MidiEventCodecTest, EveryMessageStartsAfresh) {
    MidiEventCodec codec;
    // A message cut short must not leave its status for the next one.
    EXPECT_TRUE(codec.Encode(Bytes{0x90, 0x3C}).empty());
    const auto events = codec.Encode(Bytes{0xB0, 0x10, 0x40});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, SND_SEQ_EVENT_CONTROLLER);
}

TEST(MidiEventCodecTest, SysExTravelsWhole) {
    MidiEventCodec codec;
    const Bytes sysex{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    const auto events = codec.Encode(sysex);
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].type, SND_SEQ_EVENT_SYSEX);
    ASSERT_EQ(events[0].data.ext.len, sysex.size());
    const auto* data = static_cast<const uint8_t*>(events[0].data.ext.ptr);
    EXPECT_EQ(Bytes(data, data + sysex.size()), sysex);
    EXPECT_EQ(codec.Decode(events[0]), sysex);
}

TEST(MidiEventCodecTest, DecodingWritesEveryStatusByte) {
    MidiEventCodec codec;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_noteon(&event, 2, 0x40, 0x7F);
    EXPECT_EQ(codec.Decode(event), (Bytes{0x92, 0x40, 0x7F}));
    // The same status again is not dropped as running status.
    snd_seq_ev_set_noteon(&event, 2, 0x41, 0x10);
    EXPECT_EQ(codec.Decode(event), (Bytes{0x92, 0x41, 0x10}));
}

TEST(MidiEventCodecTest, SystemNoticesAreNotMidi) {
    MidiEventCodec codec;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    event.type = SND_SEQ_EVENT_PORT_SUBSCRIBED;
    EXPECT_TRUE(codec.Decode(event).empty());
}

}  // namespace
}  // namespace qmt
