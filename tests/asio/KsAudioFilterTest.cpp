// A controller's capture or render filter over a simulated card: pin creation down the format
// and mask lists, rate negotiation, the first capture half, silent channels and the sample
// width on the way in and out.

#include "asio/KsAudioFilter.h"

#include <gtest/gtest.h>

#include "asio/AsioDeviceRegistry.h"
#include "asio/BrxAsioBrand.h"
#include "asio/Int24.h"
#include "asio/KsAudioCaptureFilter.h"
#include "asio/KsAudioRenderFilter.h"
#include "asio/QmtAsioBrand.h"
#include "common/ManualTimedWait.h"
#include "platform/FileRegistry.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimSoundCardModels.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

// One controller known to a registry of the given brand, so its device info holds its cards.
class OneController {
  public:
    OneController(std::unique_ptr<AsioBrandIf> made, SimControllerModel model,
                  const std::function<void(SimSoundCard&)>& setUp = nullptr)
        : brand(std::move(made)) {
        controller = tree.plugController(model, u"SERIAL0001", 1);
        if (setUp) setUp(*cards.card(controller));
        registry = std::make_unique<AsioDeviceRegistry>(
            *brand, tree, cards, settings, brand->createDeviceModels(tree), &clock, &wait);
        registry->initialize();
    }
    AsioDeviceInfo& device() { return *registry->getAsioDevice(0); }
    SimSoundCard& card() { return *cards.card(controller); }

    std::unique_ptr<AsioBrandIf> brand;
    TempFolder folder;
    FileRegistry settings{folder.file("user.reg"), folder.file("machine.reg")};
    SimDeviceTree tree;
    SimAudioCards cards{tree};
    ManualClock clock;
    ManualTimedWait wait{clock};
    std::unique_ptr<AsioDeviceRegistry> registry;
    int controller = 0;
};

TEST(KsAudioFilterTest, RateCandidatesGoThroughTheFourPassesOnce) {
    EXPECT_EQ(KsAudioFilter::rateCandidates(32000),
              (std::vector<double>{32000, 96000, 48000, 44100, 22050, 11025}));
    // 44100 is a multiple of 22050 and 96000 is not; 11025 divides it.
    EXPECT_EQ(KsAudioFilter::rateCandidates(22050),
              (std::vector<double>{22050, 44100, 48000, 96000, 11025}));
    EXPECT_EQ(KsAudioFilter::rateCandidates(88200),
              (std::vector<double>{88200, 96000, 44100, 22050, 11025, 48000}));
}

TEST(KsAudioFilterTest, RefusedRateFallsBackToTheNextCandidateAtTheWidestWidth) {
    OneController kv5(std::make_unique<QmtAsioBrand>(), SimControllerModel::Kv5);
    std::unique_ptr<KsAudioRenderFilter> filter = KsAudioRenderFilter::create(kv5.device(), 24);
    ASSERT_NE(filter, nullptr);
    // The card runs at 44.1 or 48 kHz with 16 to 24 bits: 32000 and 96000 are refused.
    ASSERT_EQ(filter->setSampleRate(32000), ASE_OK);
    EXPECT_EQ(filter->hardwareFormat().Format.nSamplesPerSec, 48000u);
    EXPECT_EQ(filter->hardwareFormat().Format.wBitsPerSample, 24);
    EXPECT_EQ(kv5.card().pinFormat(KSPIN_DATAFLOW_IN).sampleRate, 48000u);
    EXPECT_EQ(filter->sampleRate(), 32000) << "the host's rate, bridged by converters";
    ASSERT_EQ(filter->setSampleRate(44100), ASE_OK);
    EXPECT_EQ(kv5.card().pinFormat(KSPIN_DATAFLOW_IN).sampleRate, 44100u);
    EXPECT_EQ(filter->canSampleRate(-1), ASE_NoClock);
}

TEST(KsAudioFilterTest, ChannelMasksAreTriedInOrderThenThePlainFormat) {
    OneController quad(std::make_unique<BrxAsioBrand>(), SimControllerModel::Krt4,
                       [](SimSoundCard& card) {
                           card.setProfile(SimKrt4SoundCardProfile(SimKrt4Mode::FourOutFourIn));
                       });
    std::unique_ptr<KsAudioRenderFilter> render = KsAudioRenderFilter::create(quad.device(), 16);
    ASSERT_NE(render, nullptr);
    EXPECT_EQ(render->hardwareFormat().dwChannelMask, 0x33u) << "0x603 was refused first";

    OneController eight(std::make_unique<BrxAsioBrand>(), SimControllerModel::Krt4);
    std::unique_ptr<KsAudioRenderFilter> plain = KsAudioRenderFilter::create(eight.device(), 16);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->hardwareFormat().Format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(plain->channelCount(), 8u);
}

TEST(KsAudioFilterTest, UnmappedRenderChannelPlaysSilenceAndWideSamplesKeepTheirTopBits) {
    // The KV10's own codec plays 16 bits only; the maker's host writes 24.
    OneController kv10(std::make_unique<QmtAsioBrand>(), SimControllerModel::Kv10);
    std::unique_ptr<KsAudioRenderFilter> filter = KsAudioRenderFilter::create(kv10.device(), 24);
    ASSERT_NE(filter, nullptr);
    ASSERT_EQ(filter->setSampleRate(48000), ASE_OK);
    constexpr uint32_t kFrames = 4;
    Int24 half0[kFrames], half1[kFrames];
    for (uint32_t i = 0; i < kFrames; ++i) {
        half0[i] = Int24(0x123456 + static_cast<int32_t>(i));
        half1[i] = Int24(-0x100 * static_cast<int32_t>(i + 1));
    }
    void* buffers[32] = {half0, half1};  // channel 0 only
    ASSERT_EQ(filter->prepare(buffers, kFrames, 24), ASE_OK);
    ASSERT_TRUE(Succeeded(filter->setState(KSSTATE_PAUSE)));
    ASSERT_TRUE(Succeeded(filter->processRender(0)));
    ASSERT_TRUE(Succeeded(filter->processRender(1)));
    ASSERT_TRUE(Succeeded(filter->setState(KSSTATE_RUN)));
    kv10.card().advanceFrames(2 * kFrames);
    EXPECT_EQ(kv10.card().recorded(0),
              (std::vector<int32_t>{0x1234, 0x1234, 0x1234, 0x1234, -1, -2, -3, -4}));
    EXPECT_EQ(kv10.card().recorded(1), std::vector<int32_t>(8, 0));
    EXPECT_TRUE(filter->halfEvent(0).wait(0));
    ASSERT_TRUE(Succeeded(filter->setState(KSSTATE_STOP)));
    filter->release();
}

TEST(KsAudioFilterTest, FirstCaptureHalfOnlyQueuesAndNarrowSamplesAreWidened) {
    OneController krt4(std::make_unique<BrxAsioBrand>(), SimControllerModel::Krt4);
    krt4.card().setCaptureSignal([](unsigned channel, uint64_t frame, uint32_t) {
        return static_cast<double>(frame + 1 + 100 * channel) / 32768.0;
    });
    // A 24-bit host over the card's 16 bits: samples move up by 8 bits.
    std::unique_ptr<KsAudioCaptureFilter> filter = KsAudioCaptureFilter::create(krt4.device(), 24);
    ASSERT_NE(filter, nullptr);
    ASSERT_EQ(filter->setSampleRate(44100), ASE_OK);
    constexpr uint32_t kFrames = 3;
    int32_t left[kFrames] = {}, right[kFrames] = {};
    void* buffers[32] = {left, left, right, right};
    ASSERT_EQ(filter->prepare(buffers, kFrames, 24), ASE_OK);
    ASSERT_TRUE(Succeeded(filter->setState(KSSTATE_RUN)));
    ASSERT_TRUE(Succeeded(filter->processCapture(0)));
    ASSERT_TRUE(Succeeded(filter->processCapture(1)));
    EXPECT_EQ(left[0], 0) << "the first completion carries no data";
    krt4.card().advanceFrames(kFrames);
    ASSERT_TRUE(filter->halfEvent(0).wait(0));
    ASSERT_TRUE(Succeeded(filter->processCapture(0)));
    EXPECT_EQ(left[0], 1 << 8);
    EXPECT_EQ(left[2], 3 << 8);
    EXPECT_EQ(right[1], 102 << 8);
    // The sums add up until the composite device takes them.
    krt4.card().advanceFrames(kFrames);
    ASSERT_TRUE(filter->halfEvent(1).wait(0));
    ASSERT_TRUE(Succeeded(filter->processCapture(1)));
    EXPECT_EQ(left[0], (1 + 4) << 8);
    ASSERT_TRUE(Succeeded(filter->setState(KSSTATE_STOP)));
}

}  // namespace
}  // namespace qmt
