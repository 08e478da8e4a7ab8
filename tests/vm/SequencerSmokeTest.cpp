// The ALSA sequencer as the DJ application and qmtmidi will use it, proven with the
// kernel's own "Midi Through" client.

#include <gtest/gtest.h>

#include "GuestEnvironment.h"
#include "SequencerClient.h"

namespace qmt::vm {
namespace {

using namespace std::chrono_literals;
constexpr auto kPatience = 5s;
const std::string kThrough = "Midi Through Port-0";

class SequencerSmokeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QMT_REQUIRE_KERNEL_FEATURES();
        client = open("qmt vm test");
        ASSERT_TRUE(client);
    }

    std::unique_ptr<SequencerClient> open(const std::string& name) {
        std::string error;
        auto opened = SequencerClient::Open(name, error);
        EXPECT_TRUE(opened) << error;
        return opened;
    }

    std::unique_ptr<SequencerClient> client;
};

TEST_F(SequencerSmokeTest, MidiThroughIsFoundByPortAndByClientName) {
    const auto byPort = client->findPort(kThrough);
    ASSERT_TRUE(byPort) << client->error();
    EXPECT_EQ(byPort->client, 14);  // the kernel's fixed number for the first through client
    const auto byClient = client->findPort("Midi Through");
    ASSERT_TRUE(byClient);
    EXPECT_EQ(byClient->client, byPort->client);
    EXPECT_FALSE(client->findPort("QMT MIDI Nowhere"));
}

TEST_F(SequencerSmokeTest, MessagesRoundTripThroughMidiThroughWithTimestamps) {
    ASSERT_TRUE(client->connectTo(kThrough)) << client->error();
    ASSERT_TRUE(client->subscribeFrom(kThrough)) << client->error();
    const std::vector<std::vector<uint8_t>> messages{
        {0x90, 60, 100}, {0xB1, 7, 127}, {0x80, 60, 0}, {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}};
    std::chrono::nanoseconds previous{0};
    for (const auto& message : messages) {
        ASSERT_TRUE(client->send(message)) << client->error();
        const auto received = client->receive(kPatience);
        ASSERT_TRUE(received) << "lost " << int(message[0]);
        EXPECT_EQ(received->bytes, message);
        EXPECT_EQ(received->source.client, 14);
        EXPECT_GE(received->time, previous);
        EXPECT_LE(received->time, client->now());
        previous = received->time;
    }
    EXPECT_GT(previous.count(), 0) << "events must carry the queue's real time";
}

TEST_F(SequencerSmokeTest, SeveralMessagesInOneSendArriveInOrder) {
    ASSERT_TRUE(client->connectTo(kThrough));
    ASSERT_TRUE(client->subscribeFrom(kThrough));
    ASSERT_TRUE(client->send({0x90, 36, 1, 0x90, 37, 2, 0x90, 38, 3}));
    for (uint8_t note = 36; note <= 38; ++note) {
        const auto received = client->receive(kPatience);
        ASSERT_TRUE(received);
        EXPECT_EQ(received->bytes, (std::vector<uint8_t>{0x90, note, uint8_t(note - 35)}));
    }
}

TEST_F(SequencerSmokeTest, AnApplicationReachesAnotherClientsPortByName) {
    auto other = open("qmt vm peer");
    ASSERT_TRUE(other);
    ASSERT_TRUE(client->connectTo("qmt vm peer")) << client->error();
    ASSERT_TRUE(client->send({0xC3, 12}));
    const auto received = other->receive(kPatience);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->bytes, (std::vector<uint8_t>{0xC3, 12}));
    EXPECT_EQ(received->source.client, client->address().client);
    EXPECT_EQ(received->source.port, client->address().port);
}

TEST_F(SequencerSmokeTest, NothingArrivesAfterUnsubscribing) {
    ASSERT_TRUE(client->connectTo(kThrough));
    ASSERT_TRUE(client->subscribeFrom(kThrough));
    ASSERT_TRUE(client->unsubscribeFrom(kThrough)) << client->error();
    ASSERT_TRUE(client->send({0x90, 64, 64}));
    EXPECT_FALSE(client->receive(300ms));
}

}  // namespace
}  // namespace qmt::vm
