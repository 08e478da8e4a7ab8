#include "platform/sim/SimSoundCard.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimSoundCardModels.h"

namespace qmt {
namespace {

constexpr uint32_t kRenderPin = 0;   // pins of the USB layout: render, its bridge, ...
constexpr uint32_t kCapturePin = 3;  // ... the input bridge, capture

std::vector<uint8_t> waveBytes(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t mask,
                               bool extensible) {
    WAVEFORMATEXTENSIBLE f;
    f.Format.wFormatTag = extensible ? WAVE_FORMAT_EXTENSIBLE : WAVE_FORMAT_PCM;
    f.Format.nChannels = channels;
    f.Format.nSamplesPerSec = rate;
    f.Format.wBitsPerSample = bits;
    f.Format.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.Format.nAvgBytesPerSec = f.Format.nBlockAlign * rate;
    f.Format.cbSize = extensible ? 22 : 0;
    f.Samples.wValidBitsPerSample = bits;
    f.dwChannelMask = mask;
    f.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    const auto* at = reinterpret_cast<const uint8_t*>(&f);
    return {at, at + (extensible ? sizeof f : sizeof f.Format)};
}

HRESULT createPin(AudioCardFilterIf& filter, uint32_t pinId, const std::vector<uint8_t>& wave,
                  std::unique_ptr<AudioCardPinIf>& pin) {
    KSPIN_CONNECT connect;
    connect.Interface = {KSINTERFACESETID_Standard, KSINTERFACE_STANDARD_STREAMING, 0};
    connect.Medium = {KSMEDIUMSETID_Standard, 0, 0};
    connect.PinId = pinId;
    KSDATAFORMAT format;
    format.FormatSize = static_cast<uint32_t>(sizeof format + wave.size());
    format.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    format.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
    return filter.createPin(connect, format, wave, pin);
}

HRESULT runPin(AudioCardPinIf& pin) {
    for (KSSTATE s : {KSSTATE_ACQUIRE, KSSTATE_PAUSE, KSSTATE_RUN})
        if (Failed(pin.setState(s))) return E_FAIL;
    return S_OK;
}

struct Request {
    explicit Request(uint32_t bytes, bool write) : data(bytes) {
        request.header.Data = data.data();
        request.header.FrameExtent = bytes;
        request.header.DataUsed = write ? bytes : 0;
        request.overlapped.event = &done;
    }
    std::vector<uint8_t> data;
    Event done{false};
    KsStreamRequest request;
};

TEST(SimSoundCardTest, PinsTakeOnlyFormatsTheirHardwareTakes) {
    auto ardo = std::make_shared<SimSoundCard>(SimSoundCardProfileFor(SimControllerModel::Ardo));
    auto filter = ardo->openFilter();
    std::unique_ptr<AudioCardPinIf> pin;
    const HRESULT noMatch = HresultFromWin32(kErrorNoMatch);
    EXPECT_EQ(createPin(*filter, kRenderPin, waveBytes(6, 48000, 24, 0x3F, true), pin), noMatch);
    EXPECT_EQ(createPin(*filter, kRenderPin, waveBytes(6, 44100, 24, 0x60F, true), pin), noMatch);
    EXPECT_EQ(createPin(*filter, kRenderPin, waveBytes(2, 44100, 24, 0x3, true), pin), noMatch);
    EXPECT_EQ(createPin(*filter, 1, waveBytes(6, 44100, 24, 0x3F, true), pin),
              HresultFromWin32(kErrorNotSupported));  // a bridge pin carries no stream
    ASSERT_EQ(createPin(*filter, kRenderPin, waveBytes(6, 44100, 24, 0x3F, true), pin), S_OK);
    EXPECT_EQ(ardo->pinFormat(KSPIN_DATAFLOW_IN).channelMask, 0x3Fu);
    std::unique_ptr<AudioCardPinIf> second;
    EXPECT_EQ(createPin(*filter, kRenderPin, waveBytes(6, 44100, 16, 0x3F, true), second),
              HresultFromWin32(kErrorBusy));

    auto krt4 = std::make_shared<SimSoundCard>(SimKrt4SoundCardProfile(SimKrt4Mode::EightOutTwoIn));
    auto krtFilter = krt4->openFilter();
    EXPECT_EQ(createPin(*krtFilter, kRenderPin, waveBytes(8, 44100, 16, 0xFF, true), pin), noMatch);
    EXPECT_EQ(createPin(*krtFilter, kRenderPin, waveBytes(8, 44100, 16, 0, false), pin), S_OK);
}

TEST(SimSoundCardTest, CaptureCompletesInOrderAtTheClockWithTheSignal) {
    auto card = std::make_shared<SimSoundCard>(SimKrt4SoundCardProfile(SimKrt4Mode::EightOutTwoIn));
    card->setCaptureSignal([](unsigned channel, uint64_t frame, uint32_t) {
        return (static_cast<double>(frame) + 1000.0 * channel) / 32768.0;
    });
    auto filter = card->openFilter();
    std::unique_ptr<AudioCardPinIf> pin;
    ASSERT_EQ(createPin(*filter, kCapturePin, waveBytes(2, 44100, 16, 0x3, true), pin), S_OK);
    Request first(4 * 10, false), second(4 * 10, false);
    EXPECT_EQ(pin->writeStream(first.request), E_INVALIDARG);  // a capture pin is read
    ASSERT_EQ(pin->setState(KSSTATE_ACQUIRE), S_OK);
    ASSERT_EQ(pin->setState(KSSTATE_PAUSE), S_OK);
    ASSERT_EQ(pin->readStream(first.request), S_OK);
    ASSERT_EQ(pin->readStream(second.request), S_OK);
    card->advanceFrames(100);  // paused: nothing moves
    EXPECT_FALSE(first.done.isSet());
    ASSERT_EQ(pin->setState(KSSTATE_RUN), S_OK);
    card->advanceFrames(9);
    EXPECT_FALSE(first.done.isSet());
    card->advanceFrames(4);
    EXPECT_TRUE(first.done.isSet());
    EXPECT_FALSE(second.done.isSet());
    EXPECT_EQ(first.request.header.DataUsed, 40u);
    EXPECT_EQ(first.request.overlapped.status, S_OK);
    int16_t samples[4];
    std::memcpy(samples, second.data.data(), sizeof samples);  // frames 10 and 11 so far
    EXPECT_EQ(samples[0], 10);
    EXPECT_EQ(samples[1], 1010);
    EXPECT_EQ(samples[2], 11);
    card->advanceFrames(17);  // 7 to finish the second read, 10 with no read queued
    EXPECT_TRUE(second.done.isSet());
    EXPECT_EQ(card->starvedFrames(KSPIN_DATAFLOW_OUT), 10u);
}

TEST(SimSoundCardTest, RenderRecordsWhatItPlaysAndSilenceWhenStarved) {
    auto card = std::make_shared<SimSoundCard>(SimSoundCardProfileFor(SimControllerModel::Kv5));
    auto filter = card->openFilter();
    std::unique_ptr<AudioCardPinIf> pin;
    ASSERT_EQ(createPin(*filter, kRenderPin, waveBytes(2, 48000, 24, 0x3, true), pin), S_OK);
    Request write(6 * 2, true);
    const uint8_t frames[12] = {0x01, 0x02, 0x03, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0, 0, 0};
    std::memcpy(write.data.data(), frames, sizeof frames);
    ASSERT_EQ(pin->setState(KSSTATE_ACQUIRE), S_OK);
    ASSERT_EQ(pin->setState(KSSTATE_PAUSE), S_OK);
    ASSERT_EQ(pin->writeStream(write.request), S_OK);
    ASSERT_EQ(pin->setState(KSSTATE_RUN), S_OK);
    card->advanceTime(1'000'000'000 / 48000 * 3 + 100);  // three frames and a bit
    EXPECT_TRUE(write.done.isSet());
    EXPECT_EQ(card->recorded(0), (std::vector<int32_t>{0x030201, -8388608, 0}));
    EXPECT_EQ(card->recorded(1), (std::vector<int32_t>{-1, 0, 0}));
    EXPECT_EQ(card->starvedFrames(KSPIN_DATAFLOW_IN), 1u);

    // A run that does not look at it keeps nothing, and still counts the starved frames.
    card->setRecording(false);
    card->advanceFrames(2);
    EXPECT_TRUE(card->recorded(0).empty());
    EXPECT_EQ(card->starvedFrames(KSPIN_DATAFLOW_IN), 3u);
}

TEST(SimSoundCardTest, FailuresOnDemandHoldersAndUnplugging) {
    auto card = std::make_shared<SimSoundCard>(SimSoundCardProfileFor(SimControllerModel::Kv5));
    auto filter = card->openFilter();
    std::unique_ptr<AudioCardPinIf> pin;
    card->hold("pulseaudio (process 812)");
    AudioPinDescription description;
    EXPECT_EQ(filter->describePin(kRenderPin, description), HresultFromWin32(kErrorBusy));
    EXPECT_EQ(description.dataFlow, KSPIN_DATAFLOW_IN);
    EXPECT_EQ(createPin(*filter, kRenderPin, waveBytes(2, 48000, 16, 0x3, true), pin),
              HresultFromWin32(kErrorBusy));
    EXPECT_EQ(filter->lastErrorDetail(), "in use by pulseaudio (process 812)");
    card->hold("");
    ASSERT_EQ(createPin(*filter, kRenderPin, waveBytes(2, 48000, 16, 0x3, true), pin), S_OK);
    ASSERT_EQ(runPin(*pin), S_OK);
    EXPECT_EQ(pin->setState(KSSTATE_ACQUIRE), E_INVALIDARG);
    ASSERT_EQ(pin->setState(KSSTATE_PAUSE), S_OK);
    EXPECT_EQ(pin->setState(KSSTATE_STOP), E_INVALIDARG);  // one step at a time
    ASSERT_EQ(pin->setState(KSSTATE_RUN), S_OK);

    Request crc(8, true), pending(8, true);
    card->failNextRequests(KSPIN_DATAFLOW_IN, HresultFromWin32(kErrorCrc));
    EXPECT_EQ(pin->writeStream(crc.request), HresultFromWin32(kErrorCrc));
    EXPECT_FALSE(crc.done.isSet());
    ASSERT_EQ(pin->writeStream(pending.request), S_OK);
    card->unplug();
    EXPECT_TRUE(pending.done.isSet());
    EXPECT_EQ(pending.request.overlapped.status, HresultFromWin32(kErrorDeviceNotConnected));
    EXPECT_EQ(pin->writeStream(crc.request), HresultFromWin32(kErrorDeviceNotConnected));
    EXPECT_EQ(filter->describePin(kRenderPin, description),
              HresultFromWin32(kErrorDeviceNotConnected));
    EXPECT_EQ(card->openFilter(), nullptr);
    card->plug();
    EXPECT_NE(card->openFilter(), nullptr);
}

TEST(SimSoundCardTest, StoppingAndClosingCancelWhatIsPending) {
    auto card = std::make_shared<SimSoundCard>(SimSoundCardProfileFor(SimControllerModel::Kv10));
    auto filter = card->openFilter();
    std::unique_ptr<AudioCardPinIf> pin;
    ASSERT_EQ(createPin(*filter, kRenderPin, waveBytes(2, 48000, 16, 0, false), pin), S_OK);
    Request a(8, true), b(8, true);
    ASSERT_EQ(pin->setState(KSSTATE_ACQUIRE), S_OK);
    EXPECT_EQ(card->state(KSPIN_DATAFLOW_IN), KSSTATE_ACQUIRE);
    ASSERT_EQ(pin->writeStream(a.request), S_OK);
    ASSERT_EQ(pin->setState(KSSTATE_STOP), S_OK);
    EXPECT_TRUE(a.done.isSet());
    EXPECT_EQ(a.request.overlapped.status, HresultFromWin32(kErrorOperationAborted));
    EXPECT_NE(pin->writeStream(b.request), S_OK);  // a stopped pin takes no requests
    ASSERT_EQ(pin->setState(KSSTATE_ACQUIRE), S_OK);
    ASSERT_EQ(pin->writeStream(b.request), S_OK);
    pin.reset();
    EXPECT_TRUE(b.done.isSet());
    EXPECT_FALSE(card->hasPin(KSPIN_DATAFLOW_IN));
}

TEST(SimAudioCardsTest, TheTreesAudioInterfacesOpenAsTheirControllersCards) {
    SimDeviceTree tree;
    SimAudioCards cards(tree);
    const int krt4 = tree.plugController(SimControllerModel::Krt4, u"KRT400001", 1);
    std::unique_ptr<AudioCardFilterIf> filter;
    ASSERT_EQ(cards.openFilter(tree.audioInterfacePath(krt4), filter), S_OK);
    EXPECT_EQ(filter->friendlyName(), "KRT4 Audio");
    AudioPinDescription capture;
    ASSERT_EQ(filter->describePin(kCapturePin, capture), S_OK);
    EXPECT_EQ(capture.dataFlow, KSPIN_DATAFLOW_OUT);
    ASSERT_EQ(capture.dataRanges.size(), 1u);
    EXPECT_EQ(capture.dataRanges[0].MaximumChannels, 2u);

    std::unique_ptr<AudioCardPinIf> pin;
    ASSERT_EQ(createPin(*filter, kCapturePin, waveBytes(2, 44100, 16, 0x3, true), pin), S_OK);
    ASSERT_EQ(runPin(*pin), S_OK);
    Request read(4 * 441, false);
    ASSERT_EQ(pin->readStream(read.request), S_OK);
    cards.advanceTime(10'000'000);
    EXPECT_TRUE(read.done.isSet());

    const std::string path = tree.audioInterfacePath(krt4);
    ASSERT_TRUE(tree.unplugController(krt4));
    EXPECT_EQ(pin->readStream(read.request), HresultFromWin32(kErrorDeviceNotConnected));
    EXPECT_EQ(cards.openFilter(path, filter), HresultFromWin32(kErrorFileNotFound));
    ASSERT_TRUE(tree.moveController(krt4, 1));
    EXPECT_EQ(cards.openFilter(tree.audioInterfacePath(krt4), filter), S_OK);
}

}  // namespace
}  // namespace qmt
