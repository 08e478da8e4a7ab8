// The composite device over simulated controllers: channels, buffers and their checks, the
// streaming thread's halves with and without controllers, hot plug, failures and rate
// changes while streaming. Every step waits for the streaming thread to go idle.

#include "asio/CompositeKsAudioDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "CompositeRig.h"
#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "platform/sim/SimSoundCard.h"

namespace qmt {
namespace {

constexpr uint32_t k48 = 48;  // 1 ms at 48 kHz

std::unique_ptr<AsioBrandIf> qmtBrand() {
    return std::make_unique<QmtAsioBrand>();
}

// Where the card's recording of a channel starts playing what the host wrote: the first
// sample that is not silence.
size_t firstSound(const std::vector<int32_t>& played) {
    return static_cast<size_t>(
        std::find_if(played.begin(), played.end(), [](int32_t v) { return v != 0; }) -
        played.begin());
}

TEST(CompositeKsAudioDeviceTest, WithNothingAttachedSixteenChannelsEachWayAllInactive) {
    CompositeRig rig(qmtBrand());
    int32_t inputs = 0, outputs = 0;
    ASSERT_EQ(rig.device->getChannels(&inputs, &outputs), ASE_OK);
    EXPECT_EQ(inputs, 16);
    EXPECT_EQ(outputs, 16);
    for (int32_t channel = 0; channel < 16; ++channel) {
        for (ASIOBool input : {ASIOFalse, ASIOTrue}) {
            ASIOChannelInfo info;
            info.channel = channel;
            info.isInput = input;
            ASSERT_EQ(rig.device->getChannelInfo(&info), ASE_OK);
            EXPECT_EQ(info.isActive, ASIOFalse);
            EXPECT_EQ(info.type, ASIOSTInt24LSB);
        }
    }
    ASIOSampleRate rate = 0;
    rig.device->getSampleRate(&rate);
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(rig.device->canSampleRate(22050), ASE_OK) << "no filter to refuse it";
    EXPECT_EQ(rig.device->outputReady(), ASE_NotPresent);
}

TEST(CompositeKsAudioDeviceTest, CreateBuffersRefusesTooManyUnknownOrRepeatedChannels) {
    CompositeRig rig(qmtBrand());
    std::vector<int32_t> all(16);
    for (int32_t i = 0; i < 16; ++i)
        all[static_cast<size_t>(i)] = i;
    // 33 buffer infos: all 32 channels and one more.
    std::vector<int32_t> outputs = all;
    outputs.push_back(0);
    EXPECT_EQ(rig.createBuffers(outputs, all, k48), ASE_InvalidParameter);
    EXPECT_EQ(rig.createBuffers({16}, {}, k48), ASE_InvalidParameter);
    EXPECT_EQ(rig.createBuffers({3, 3}, {}, k48), ASE_InvalidParameter);
    EXPECT_EQ(rig.createBuffers({-1}, {}, k48), ASE_InvalidParameter);
    for (const ASIOBufferInfo& info : rig.host.infos)
        EXPECT_EQ(info.buffers[0], nullptr) << "nothing handed out";
    EXPECT_EQ(rig.device->getCallbacks(), nullptr);
    EXPECT_FALSE(rig.device->isStreaming());
    EXPECT_EQ(rig.device->createBuffers(nullptr, 0, k48, nullptr), ASE_InvalidParameter);

    // The same channel number in both directions is two channels.
    ASSERT_EQ(rig.createBuffers(all, all, k48), ASE_OK);
    EXPECT_NE(rig.host.infos[31].buffers[1], nullptr);
    EXPECT_EQ(rig.device->getCallbacks(), &rig.host.callbacks);
    EXPECT_EQ(rig.createBuffers({0}, {}, k48), ASE_InvalidMode) << "buffers exist already";
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
    EXPECT_EQ(rig.device->getCallbacks(), nullptr);
}

TEST(CompositeKsAudioDeviceTest, TimerModeSwitchesOncePerPeriodAlternatingHalvesOnlyWhileRunning) {
    CompositeRig rig(qmtBrand());
    rig.host.timeInfo = true;
    ASSERT_EQ(rig.createBuffers({0, 1}, {0}, k48), ASE_OK);
    rig.idle();
    rig.runMs(5);
    EXPECT_EQ(rig.switches(), 0u) << "prepared, not started";
    ASSERT_EQ(rig.device->start(), ASE_OK);
    rig.idle();
    for (int i = 0; i < 4; ++i)
        rig.runMs(1);
    EXPECT_EQ(rig.host.halves, (std::vector<int32_t>{0, 1, 0, 1}));
    ASSERT_EQ(rig.host.times.size(), 4u);
    const AsioTimeInfo& last = rig.host.times.back().timeInfo;
    EXPECT_EQ(last.samplePosition.lo, 4 * k48);
    EXPECT_EQ(last.sampleRate, 48000);
    EXPECT_EQ(last.flags & 7u, 7u);
    EXPECT_EQ(rig.host.times.back().timeCode.flags, kTcValid | kTcRunning);
    ASIOSamples position;
    ASIOTimeStamp stamp;
    rig.device->getSamplePosition(&position, &stamp);
    EXPECT_EQ(position.lo, 4 * k48);
    EXPECT_EQ((uint64_t{stamp.hi} << 32 | stamp.lo), 9'000'000u) << "nanoseconds of the clock";

    ASSERT_EQ(rig.device->stop(), ASE_OK);
    rig.runMs(10);
    EXPECT_EQ(rig.switches(), 4u) << "stopped: no more switches";
    ASSERT_EQ(rig.device->start(), ASE_OK);
    rig.idle();
    rig.runMs(1);
    EXPECT_EQ(rig.switches(), 5u);
    rig.device->getSamplePosition(&position, &stamp);
    EXPECT_EQ(position.lo, k48) << "start counts from 0 again";
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

TEST(CompositeKsAudioDeviceTest, ControllerPlaysTheHostsOutputsFromItsCard) {
    CompositeRig rig(qmtBrand());
    const int kv5 = rig.plug(SimControllerModel::Kv5, u"KV5000001", 1);
    ASIOChannelInfo info;
    info.channel = 1;
    info.isInput = ASIOFalse;
    rig.device->getChannelInfo(&info);
    EXPECT_EQ(info.isActive, ASIOTrue) << "the KV5 plays outputs 1 and 2";
    ASSERT_EQ(rig.createBuffers({0, 1}, {}, k48), ASE_OK);
    EXPECT_EQ(rig.device->activeFilterCount(), 1u);
    rig.idle();
    EXPECT_EQ(rig.switches(), 2u) << "priming queues both halves at once";
    ASSERT_EQ(rig.device->start(), ASE_OK);
    rig.idle();
    for (int i = 0; i < 20; ++i)
        rig.runFrames(k48);
    EXPECT_EQ(rig.switches(), 22u);
    for (size_t i = 1; i < rig.host.halves.size(); ++i)
        EXPECT_NE(rig.host.halves[i], rig.host.halves[i - 1]);

    std::shared_ptr<SimSoundCard> card = rig.world.cards.card(kv5);
    EXPECT_EQ(card->recordedFormat().sampleRate, 48000u);
    for (uint32_t channel = 0; channel < 2; ++channel) {
        const std::vector<int32_t> played = card->recorded(channel);
        const size_t start = firstSound(played);
        ASSERT_LT(start + 10 * k48, played.size());
        for (size_t n = 0; n < 10 * k48; ++n)
            ASSERT_EQ(played[start + n], hostPattern(channel, n))
                << "channel " << channel << " frame " << n;
    }
    EXPECT_EQ(card->starvedFrames(KSPIN_DATAFLOW_IN), 0u);
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
    EXPECT_EQ(card->state(KSPIN_DATAFLOW_IN), KSSTATE_STOP);
}

TEST(CompositeKsAudioDeviceTest, CapturedSignalReachesTheHostOneBufferLater) {
    CompositeRig rig(std::make_unique<BrxAsioBrand>());
    const int krt4 = rig.plug(SimControllerModel::Krt4, u"KRT400001", 1);
    // A ramp that 16 bits hold exactly: frame number, channel in the thousands.
    rig.world.cards.card(krt4)->setCaptureSignal([](unsigned channel, uint64_t frame, uint32_t) {
        return static_cast<double>(frame % 1000 + 1000 * channel + 1) / 32768.0;
    });
    ASSERT_TRUE(rig.startStream({}, {0, 1}, k48));
    for (int i = 0; i < 12; ++i)
        rig.runFrames(k48);
    const std::vector<int32_t>& left = rig.host.inputs[0];
    const std::vector<int32_t>& right = rig.host.inputs[1];
    // The priming halves and the first completed read deliver nothing yet.
    const size_t start = firstSound(left);
    EXPECT_GE(start, 2 * k48);
    ASSERT_LT(start + 8 * k48, left.size());
    for (size_t n = 0; n < 8 * k48; ++n) {
        ASSERT_EQ(left[start + n], static_cast<int32_t>(n % 1000 + 1)) << n;
        ASSERT_EQ(right[start + n], static_cast<int32_t>(n % 1000 + 1001)) << n;
    }
}

TEST(CompositeKsAudioDeviceTest, CaptureAt44100ArrivesConvertedAtTheHostsRate) {
    CompositeRig rig(std::make_unique<BrxAsioBrand>());
    const int krt4 = rig.plug(SimControllerModel::Krt4, u"KRT400001", 1);
    // The card takes only 44.1 kHz; the host runs at 48 kHz.
    ASSERT_EQ(rig.device->setSampleRate(48000), ASE_OK);
    ASSERT_TRUE(rig.startStream({}, {0, 1}, k48));
    EXPECT_EQ(rig.world.cards.card(krt4)->pinFormat(KSPIN_DATAFLOW_OUT).sampleRate, 44100u);
    for (int i = 0; i < 500; ++i)
        rig.runFrames(44);  // half a second of the card's time
    // The card plays a sine of (c + 1) kHz at half scale on channel c: a tenth of a second at
    // 48 kHz must hold 200 (c + 1) zero crossings at that level, whatever the converter's phase.
    for (size_t channel = 0; channel < 2; ++channel) {
        const std::vector<int32_t>& got = rig.host.inputs[channel];
        // From the first sound on no sample is missing: a buffer that came out short would
        // leave a lone zero, a step far steeper than the sine's (at most 2π (c + 1) kHz / 48 kHz
        // of half scale, 2145 (c + 1), per sample).
        const size_t first = firstSound(got);
        ASSERT_LT(first + 9600, got.size());
        const auto steepest = static_cast<int32_t>(2145 * (channel + 1) + 100);
        // (The converter's half window past the first sound: the sine's abrupt start rings there.)
        for (size_t n = first + 17; n + 1 < got.size(); ++n)
            ASSERT_LE(std::abs(got[n + 1] - got[n]), steepest)
                << "channel " << channel << " at " << n;
        const size_t start = first + 4800;
        int crossings = 0;
        int32_t peak = 0;
        for (size_t n = start; n < start + 4800; ++n) {
            crossings += (got[n] < 0) != (got[n + 1] < 0) ? 1 : 0;
            peak = std::max(peak, std::abs(got[n]));
        }
        EXPECT_NEAR(crossings, 200 * static_cast<int>(channel + 1), 2) << "channel " << channel;
        EXPECT_NEAR(peak, 16384, 330) << "channel " << channel;
    }
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

TEST(CompositeKsAudioDeviceTest, UnpluggingTheOnlyControllerKeepsTheSwitchesComingOnTheTimer) {
    CompositeRig rig(qmtBrand());
    const int kv5 = rig.plug(SimControllerModel::Kv5, u"KV5000001", 1);
    ASSERT_TRUE(rig.startStream({0, 1}, {}, k48));
    rig.runFrames(k48);
    rig.unplug(kv5);
    rig.idle();
    EXPECT_EQ(rig.device->activeFilterCount(), 0u);
    EXPECT_EQ(rig.device->filterCount(), 0u);
    // The card's pending requests fail as it goes; if the thread hears that before the
    // registry's removal, the half they leave completes at once: count from here.
    const size_t before = rig.switches();
    for (int i = 0; i < 3; ++i)
        rig.runMs(1);
    EXPECT_EQ(rig.switches(), before + 3);

    // Back again: it joins the running stream and plays.
    rig.replug(kv5, 1);
    rig.idle();
    EXPECT_EQ(rig.device->activeFilterCount(), 1u);
    for (int i = 0; i < 6; ++i)
        rig.runFrames(k48);
    EXPECT_NE(firstSound(rig.world.cards.card(kv5)->recorded(0)),
              rig.world.cards.card(kv5)->recorded(0).size());
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

// The cable pulled and plugged back between two registry passes: the registry lists the same
// interface both times, yet the card's pins died with the unplug. The streaming thread's
// failed request is what tells, and the next pass brings the controller back into the stream.
TEST(CompositeKsAudioDeviceTest, ControllerRepluggedBetweenTwoPassesRejoinsTheRunningStream) {
    CompositeRig rig(std::make_unique<BrxAsioBrand>());
    const int krt4 = rig.plug(SimControllerModel::Krt4, u"KRT400001", 1);
    ASSERT_TRUE(rig.startStream({0, 1}, {0, 1}, k48));
    for (int i = 0; i < 4; ++i)
        rig.runFrames(k48);
    const std::vector<int32_t>& captured = rig.host.inputs[2];
    ASSERT_NE(firstSound(captured), captured.size());

    rig.world.tree.unplugController(krt4);
    rig.idle();
    EXPECT_EQ(rig.device->activeFilterCount(), 0u);
    for (int i = 0; i < 3; ++i)
        rig.runMs(1);
    const size_t silentFrom = captured.size() - k48;
    EXPECT_TRUE(std::all_of(captured.begin() + static_cast<std::ptrdiff_t>(silentFrom),
                            captured.end(), [](int32_t v) { return v == 0; }));

    rig.world.tree.moveController(krt4, 1);  // same port, same interface path
    rig.registry->enumerateDevices();
    rig.idle();
    EXPECT_EQ(rig.device->activeFilterCount(), 2u);
    const size_t back = captured.size();
    for (int i = 0; i < 6; ++i)
        rig.runFrames(k48);
    EXPECT_NE(firstSound(std::vector<int32_t>(captured.begin() + static_cast<std::ptrdiff_t>(back),
                                              captured.end())),
              captured.size() - back)
        << "the card's signal reaches the host again";
    EXPECT_EQ(rig.world.cards.card(krt4)->state(KSPIN_DATAFLOW_IN), KSSTATE_RUN);
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

// The same while nothing streams: no request fails, so the dead pins first show when the
// host starts. That stream ends; the registry's next pass reopens the card and the host's
// next stream plays.
TEST(CompositeKsAudioDeviceTest, ControllerRepluggedWhileIdleBetweenTwoPassesPlaysAgainNextStream) {
    CompositeRig rig(std::make_unique<BrxAsioBrand>());
    const int krt4 = rig.plug(SimControllerModel::Krt4, u"KRT400001", 1);
    rig.world.tree.unplugController(krt4);
    rig.world.tree.moveController(krt4, 1);  // no pass between: the same interface is listed
    // Starting fails on the dead pins and the thread ends, so no rig.idle() until the next.
    ASSERT_EQ(rig.createBuffers({0, 1}, {0, 1}, k48), ASE_OK);
    EXPECT_EQ(rig.device->start(), ASE_OK);
    EXPECT_EQ(rig.switches(), 0u) << "the dead pins end the stream";
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
    ASSERT_TRUE(rig.registry->getAsioDevice(0)->isCardLost()) << "or the next pass keeps them";

    rig.registry->enumerateDevices();
    ASSERT_EQ(rig.createBuffers({0, 1}, {0, 1}, k48), ASE_OK);
    rig.idle();
    ASSERT_EQ(rig.device->start(), ASE_OK);
    ASSERT_NE(rig.world.cards.card(krt4)->state(KSPIN_DATAFLOW_IN), KSSTATE_STOP)
        << "the card was opened anew";
    rig.idle();
    for (int i = 0; i < 4; ++i)
        rig.runFrames(k48);
    EXPECT_GT(rig.switches(), 2u);
    EXPECT_NE(firstSound(rig.host.inputs[2]), rig.host.inputs[2].size());
    EXPECT_EQ(rig.world.cards.card(krt4)->state(KSPIN_DATAFLOW_IN), KSSTATE_RUN);
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

TEST(CompositeKsAudioDeviceTest, FailingRequestDropsOnlyThatControllerFromTheStream) {
    CompositeRig rig(qmtBrand());
    const int kv5 = rig.plug(SimControllerModel::Kv5, u"KV5000001", 1);
    const int ardo = rig.plug(SimControllerModel::Ardo, u"ARDO00002", 2);
    ASSERT_EQ(rig.createBuffers({0, 1, 2, 3}, {}, k48), ASE_OK);
    EXPECT_EQ(rig.device->activeFilterCount(), 2u);
    rig.idle();
    ASSERT_EQ(rig.device->start(), ASE_OK);
    rig.idle();
    rig.world.cards.card(ardo)->failNextRequests(KSPIN_DATAFLOW_IN, E_FAIL, 1);
    for (int i = 0; i < 4; ++i)
        rig.runFrames(k48);
    EXPECT_EQ(rig.device->activeFilterCount(), 1u);
    EXPECT_EQ(rig.device->filterCount(), 2u) << "still attached, only silent";
    const size_t before = rig.switches();
    rig.runFrames(k48);
    EXPECT_EQ(rig.switches(), before + 1) << "the KV5 keeps the stream going";
    EXPECT_EQ(rig.world.cards.card(ardo)->state(KSPIN_DATAFLOW_IN), KSSTATE_STOP);
    EXPECT_EQ(rig.world.cards.card(kv5)->state(KSPIN_DATAFLOW_IN), KSSTATE_RUN);
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

TEST(CompositeKsAudioDeviceTest, RefusedPinStateEndsTheStreamWithoutHangingTheHost) {
    CompositeRig rig(qmtBrand());
    const int kv5 = rig.plug(SimControllerModel::Kv5, u"KV5000001", 1);
    ASSERT_EQ(rig.createBuffers({0, 1}, {}, k48), ASE_OK);
    rig.idle();
    rig.world.cards.card(kv5)->failStateChanges(E_FAIL);
    ASSERT_EQ(rig.device->start(), ASE_OK);
    EXPECT_EQ(rig.device->stop(), ASE_OK);
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
    rig.world.cards.card(kv5)->failStateChanges(S_OK);
    // A fresh stream works again.
    ASSERT_EQ(rig.createBuffers({0, 1}, {}, k48), ASE_OK);
    rig.idle();
    EXPECT_EQ(rig.device->start(), ASE_OK);
    rig.idle();
    rig.runFrames(k48);
    EXPECT_GT(rig.switches(), 2u);
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

TEST(CompositeKsAudioDeviceTest, RateChangeWhileRunningRenegotiatesAndTellsTheHost) {
    CompositeRig rig(qmtBrand());
    rig.host.timeInfo = true;
    const int kv5 = rig.plug(SimControllerModel::Kv5, u"KV5000001", 1);
    ASSERT_TRUE(rig.startStream({0, 1}, {}, k48));
    rig.runFrames(k48);
    const size_t atChange = rig.switches();
    ASSERT_EQ(rig.device->setSampleRate(44100), ASE_OK);
    EXPECT_EQ(rig.host.rateChanges, std::vector<double>{44100});
    rig.idle();
    EXPECT_EQ(rig.world.cards.card(kv5)->pinFormat(KSPIN_DATAFLOW_IN).sampleRate, 44100u);
    const size_t before = rig.switches();
    for (int i = 0; i < 3; ++i)
        rig.runFrames(k48);
    EXPECT_GE(rig.switches(), before + 3) << "streaming again at the new rate";
    // The first switch at the new rate says so; later ones do not.
    EXPECT_NE(rig.host.times[atChange].timeInfo.flags & kSampleRateChanged, 0u);
    EXPECT_EQ(rig.host.times.back().timeInfo.flags & kSampleRateChanged, 0u);
    EXPECT_EQ(rig.host.times.back().timeInfo.sampleRate, 44100);
    // The same rate again touches nothing.
    ASSERT_EQ(rig.device->setSampleRate(44100), ASE_OK);
    EXPECT_EQ(rig.host.rateChanges.size(), 1u);
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

TEST(CompositeKsAudioDeviceTest, HostMayStopAndStartFromInsideItsBufferSwitch) {
    CompositeRig rig(qmtBrand());
    ASSERT_TRUE(rig.startStream({0}, {}, k48));
    CompositeKsAudioDevice* device = rig.device.get();
    rig.host.onSwitch = [device](int32_t) { device->stop(); };
    rig.runMs(1);
    rig.host.onSwitch = nullptr;
    rig.runMs(5);
    EXPECT_EQ(rig.switches(), 1u) << "stopped from its own switch";
    EXPECT_EQ(rig.device->setSampleRate(96000), ASE_OK);
    EXPECT_EQ(rig.device->disposeBuffers(), ASE_OK);
}

}  // namespace
}  // namespace qmt
