// The miniport's streams: creation, state, connections, posting into the capture queues
// and what the port pulls out of them. A quiet port leaves the queues for the test to pull.

#include <gtest/gtest.h>

#include "driver/DriverStatus.h"
#include "driver/MidiMiniport.h"
#include "platform/MidiEventPool.h"
#include "platform/sim/SimMidiPort.h"

namespace qmt {
namespace {

class QuietPort final : public PortDMusIf {
  public:
    void Notify() override { ++notified; }
    int notified = 0;
};

// Records what reaches it; keeps the events (and their bytes) until told to let go.
class HoldingSink final : public MxfIf {
  public:
    explicit HoldingSink(AllocatorMxfIf& allocator) : allocator_(allocator) {}
    ~HoldingSink() override { Release(); }
    int32_t SetState(KsState) override { return 0; }
    int32_t ConnectOutput(MxfIf*) override { return 0; }
    int32_t DisconnectOutput(MxfIf*) override { return 0; }
    int32_t PutMessage(DMusEvent* events) override {
        held.push_back(events);
        return 0;
    }
    std::vector<uint8_t> Bytes(size_t n) const {
        const DMusEvent* e = held[n];
        const uint8_t* p = e->byteCount > kDMusInlineBytes ? e->dataPointer : e->data;
        return std::vector<uint8_t>(p, p + e->byteCount);
    }
    void Release() {
        for (DMusEvent* e : held)
            allocator_.PutMessage(e);
        held.clear();
    }
    std::vector<DMusEvent*> held;

  private:
    AllocatorMxfIf& allocator_;
};

struct QuietRig {
    QuietPort port;
    MidiEventPool allocator{9000};
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(500);
    MidiMiniport miniport{MiniportServices{}};
    HoldingSink sink{allocator};

    QuietRig() { EXPECT_EQ(miniport.Init(&port), kStatusSuccess); }
    std::unique_ptr<MxfIf> Open(uint32_t type) {
        std::unique_ptr<MxfIf> stream;
        EXPECT_EQ(miniport.NewStream(stream, type, &allocator, clock), kStatusSuccess);
        return stream;
    }
    // Pulls until a call moves nothing.
    size_t Pull(MxfIf& stream) {
        const size_t before = sink.held.size();
        for (;;) {
            const size_t held = sink.held.size();
            stream.PutMessage(nullptr);
            if (sink.held.size() == held) break;
        }
        return sink.held.size() - before;
    }
};

TEST(MiniportStreams, NewStreamRefusesUnknownTypesAndMissingObjects) {
    QuietRig rig;
    std::unique_ptr<MxfIf> stream;
    EXPECT_EQ(rig.miniport.NewStream(stream, 2, &rig.allocator, rig.clock),
              kStatusInvalidDeviceRequest);
    EXPECT_EQ(rig.miniport.NewStream(stream, kDMusStreamMidiCapture, nullptr, rig.clock),
              kStatusInvalidParameter);
    EXPECT_EQ(rig.miniport.NewStream(stream, kDMusStreamMidiRender, &rig.allocator, nullptr),
              kStatusInvalidParameter);
    EXPECT_EQ(stream, nullptr);
}

TEST(MiniportStreams, PostingWithoutCaptureStreamsReachesNobody) {
    QuietRig rig;
    auto render = rig.Open(kDMusStreamMidiRender);
    rig.miniport.SendOne(MidiWord(0xB0, 16, 65), 1);
    EXPECT_EQ(rig.port.notified, 0);
}

TEST(MiniportStreams, EveryCaptureStreamGetsEveryPostWithItsTime) {
    QuietRig rig;
    auto first = rig.Open(kDMusStreamMidiCapture);
    auto second = rig.Open(kDMusStreamMidiCapture);
    ASSERT_EQ(first->ConnectOutput(&rig.sink), kStatusSuccess);
    ASSERT_EQ(second->ConnectOutput(&rig.sink), kStatusSuccess);
    rig.miniport.SendPair(MidiWord(0x90, 60, 127), MidiWord(0x90, 61, 127), 1234);
    ChannelMask marked{};
    marked[2] = marked[15] = true;
    rig.miniport.SendOnMarkedChannels(MidiWord(0xB0, 7, 100), marked, 99);
    EXPECT_EQ(rig.port.notified, 4);
    ASSERT_EQ(rig.Pull(*first), 4u);
    EXPECT_EQ(rig.sink.Bytes(0), (std::vector<uint8_t>{0x90, 60, 127}));
    EXPECT_EQ(rig.sink.held[0]->presentationTime, 1234);
    EXPECT_EQ(rig.sink.held[0]->channelGroup, 1);
    EXPECT_EQ(rig.sink.Bytes(2), (std::vector<uint8_t>{0xB2, 7, 100}));
    EXPECT_EQ(rig.sink.Bytes(3), (std::vector<uint8_t>{0xBF, 7, 100}));
    EXPECT_EQ(rig.Pull(*second), 4u);
}

// The sequencer port pulls on its own thread while readers post: the capture queue's lock
// is all that keeps the two apart (ThreadSanitizer watches this test).
TEST(MiniportStreams, PostingWhileThePortPullsOnItsOwnThreadLosesNothing) {
    MidiMiniport miniport{MiniportServices{}};
    SimMidiPort port(std::make_shared<ManualClock>(500), 1024, SimPull::OnPortThread);
    port.SetMiniport(&miniport);
    ASSERT_EQ(miniport.Init(&port), kStatusSuccess);
    const int capture = port.Open(kDMusStreamMidiCapture);
    ASSERT_EQ(port.Connect(capture), kStatusSuccess);
    constexpr int kPosts = 4000;  // fewer than a queue holds: nothing may be dropped
    for (int n = 0; n < kPosts; ++n)
        miniport.SendOne(MidiWord(0xB0, n & 0x7F, 1), n);
    ASSERT_TRUE(port.WaitForReceived(kPosts, 5000));
    const auto received = port.received();
    ASSERT_EQ(received.size(), size_t{kPosts});
    for (int n = 0; n < kPosts; ++n)
        ASSERT_EQ(received[n].time, n);
}

TEST(MiniportStreams, OverflowKeepsTheNewest8192) {
    QuietRig rig;
    auto capture = rig.Open(kDMusStreamMidiCapture);
    ASSERT_EQ(capture->ConnectOutput(&rig.sink), kStatusSuccess);
    for (int n = 0; n < 8193; ++n)
        rig.miniport.SendOne(MidiWord(0xB0, n & 0x7F, 1), n);
    ASSERT_EQ(rig.Pull(*capture), 8192u);
    EXPECT_EQ(rig.sink.held.front()->presentationTime, 1);
    EXPECT_EQ(rig.sink.held.back()->presentationTime, 8192);
}

TEST(MiniportStreams, StopEmptiesTheQueuePauseKeepsIt) {
    QuietRig rig;
    auto capture = rig.Open(kDMusStreamMidiCapture);
    ASSERT_EQ(capture->ConnectOutput(&rig.sink), kStatusSuccess);
    ASSERT_EQ(capture->SetState(KsState::Run), kStatusSuccess);
    rig.miniport.SendOne(MidiWord(0x90, 60, 127), 1);
    ASSERT_EQ(capture->SetState(KsState::Pause), kStatusSuccess);
    ASSERT_EQ(capture->SetState(KsState::Run), kStatusSuccess);
    EXPECT_EQ(rig.Pull(*capture), 1u);
    rig.miniport.SendOne(MidiWord(0x90, 61, 127), 2);
    ASSERT_EQ(capture->SetState(KsState::Stop), kStatusSuccess);
    ASSERT_EQ(capture->SetState(KsState::Run), kStatusSuccess);
    EXPECT_EQ(rig.Pull(*capture), 0u);
    // A stream receives entries whatever its state.
    ASSERT_EQ(capture->SetState(KsState::Stop), kStatusSuccess);
    rig.miniport.SendOne(MidiWord(0x90, 62, 127), 3);
    EXPECT_EQ(rig.Pull(*capture), 1u);
}

TEST(MiniportStreams, LongMessagesOutliveTheBytesTheyWereSentFrom) {
    QuietRig rig;
    auto capture = rig.Open(kDMusStreamMidiCapture);
    ASSERT_EQ(capture->ConnectOutput(&rig.sink), kStatusSuccess);
    std::vector<uint8_t> sysex{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0x02, 0x03, 0x04, 0x05, 0xF7};
    auto preset = std::make_unique<std::vector<uint8_t>>(sysex);
    rig.miniport.SendExtended(preset->data(), static_cast<uint8_t>(preset->size()), 7);
    std::vector<uint8_t> shortSysex{0xF0, 0x01, 0xF7};
    rig.miniport.SendExtended(shortSysex.data(), 3, 8);
    // A reload frees the preset the bytes belonged to while the entries wait.
    std::fill(preset->begin(), preset->end(), 0xAA);
    preset.reset();
    ASSERT_EQ(rig.Pull(*capture), 2u);
    // The queue no longer holds the entry; the event in flight keeps the bytes alive.
    ASSERT_EQ(capture->SetState(KsState::Stop), kStatusSuccess);
    EXPECT_EQ(rig.sink.Bytes(0), sysex);
    EXPECT_EQ(rig.sink.Bytes(1), shortSysex);
    EXPECT_EQ(rig.sink.held[1]->dataPointer, nullptr);  // up to 8 bytes travel inline
}

TEST(MiniportStreams, NoFreeEventLosesTheEntryWithAnError) {
    QuietRig rig;
    MidiEventPool empty(0);
    std::unique_ptr<MxfIf> capture;
    ASSERT_EQ(rig.miniport.NewStream(capture, kDMusStreamMidiCapture, &empty, rig.clock),
              kStatusSuccess);
    rig.miniport.SendOne(MidiWord(0x90, 60, 127), 1);
    EXPECT_EQ(capture->PutMessage(nullptr), kStatusInsufficientResources);
    EXPECT_EQ(capture->PutMessage(nullptr), kStatusSuccess);  // nothing left
}

TEST(MiniportStreams, ConnectionsAndTheInUseAnswer) {
    QuietRig rig;
    auto capture = rig.Open(kDMusStreamMidiCapture);
    auto render = rig.Open(kDMusStreamMidiRender);
    EXPECT_FALSE(rig.miniport.InUse());
    EXPECT_EQ(capture->ConnectOutput(nullptr), kStatusUnsuccessful);
    ASSERT_EQ(render->ConnectOutput(&rig.sink), kStatusSuccess);
    EXPECT_TRUE(rig.miniport.InUse());
    EXPECT_EQ(render->ConnectOutput(&rig.sink), kStatusUnsuccessful);  // already connected
    HoldingSink other(rig.allocator);
    EXPECT_EQ(render->DisconnectOutput(&other), kStatusUnsuccessful);
    EXPECT_EQ(render->DisconnectOutput(nullptr), kStatusSuccess);
    EXPECT_FALSE(rig.miniport.InUse());
    // A second disconnect must not drive the count below zero.
    EXPECT_EQ(render->DisconnectOutput(nullptr), kStatusSuccess);
    ASSERT_EQ(capture->ConnectOutput(&rig.sink), kStatusSuccess);
    EXPECT_TRUE(rig.miniport.InUse());
}

TEST(MiniportStreams, TechnologyIsSetBeforeInitOnly) {
    QuietPort port;
    MidiMiniport miniport{MiniportServices{}};
    const Guid custom = ParseGuid("01234567-89AB-CDEF-0123-456789ABCDEF");
    ASSERT_EQ(miniport.SetTechnology(custom), kStatusSuccess);
    ASSERT_EQ(miniport.Init(&port), kStatusSuccess);
    const FilterDescription description = miniport.GetDescription();
    ASSERT_EQ(description.pins.size(), 5u);
    EXPECT_EQ(description.pins[0].ranges[0].technology, custom);
    EXPECT_EQ(description.pins[1].ranges[0].technology, custom);
    ASSERT_EQ(description.pins[4].ranges.size(), 2u);  // capture offers MIDI and DirectMusic
    EXPECT_EQ(description.pins[4].ranges[1].technology, custom);
    EXPECT_FALSE(description.pins[2].ranges[0].music);  // the bridge pins carry the MIDI bus
    EXPECT_EQ(description.connections.size(), 5u);
    EXPECT_EQ(miniport.SetTechnology(MusicTechnologyPort()), kStatusUnsuccessful);
    EXPECT_EQ(miniport.technology(), custom);

    QuietPort otherPort;
    MidiMiniport plain{MiniportServices{}};
    ASSERT_EQ(plain.Init(&otherPort), kStatusSuccess);
    EXPECT_EQ(plain.midiRangeTechnology(), MusicTechnologyPort());
    EXPECT_EQ(MidiMiniport::Live(), &plain);
}

}  // namespace
}  // namespace qmt
