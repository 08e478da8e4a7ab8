// The ALSA sound-card service on the kernel's loopback card: a filter pointed at the loopback
// card through the injected lookup streams a ramp out of its render pin and into its capture
// pin, bit for bit and at the card's pace; a PCM another program holds is busy with the
// holder named.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "LoopbackCard.h"
#include "common/Event.h"
#include "platform/linux/AlsaAudioCards.h"

namespace qmt::vm {
namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kChannels = 2;
// Halves of 170 ms: a guest under software emulation on a loaded machine may not run for
// a good part of a tenth of a second, and the render side has one half of margin.
constexpr unsigned kHalfFrames = 8192;
constexpr unsigned kBlockAlign = kChannels * 2;
constexpr uint32_t kPatienceMs = 5000;
const std::string kPath =
    "\\\\?\\ROOT#LOOPBACK#0000#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\global";

// Frame n of the ramp: left 1 + n mod 32000 (never 0, so silence is told apart), right its
// negative.
int16_t rampLeft(uint64_t n) {
    return static_cast<int16_t>(1 + n % 32000);
}

struct Half {
    Half() : data(kHalfFrames * kBlockAlign) {
        request.header.Data = data.data();
        request.header.FrameExtent = static_cast<uint32_t>(data.size());
        request.overlapped.event = &done;
    }
    void fillRamp(uint64_t firstFrame) {
        auto* samples = reinterpret_cast<int16_t*>(data.data());
        for (unsigned i = 0; i < kHalfFrames; ++i) {
            samples[2 * i] = rampLeft(firstFrame + i);
            samples[2 * i + 1] = static_cast<int16_t>(-rampLeft(firstFrame + i));
        }
        request.header.DataUsed = static_cast<uint32_t>(data.size());
    }
    std::vector<uint8_t> data;
    Event done{false};
    KsStreamRequest request;
};

std::vector<uint8_t> stereo16() {
    WAVEFORMATEX wave;
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = kChannels;
    wave.nSamplesPerSec = kRate;
    wave.wBitsPerSample = 16;
    wave.nBlockAlign = kBlockAlign;
    wave.nAvgBytesPerSec = kBlockAlign * kRate;
    const auto* at = reinterpret_cast<const uint8_t*>(&wave);
    return {at, at + sizeof wave};
}

// The left channel's non-silent frames follow the ramp without a gap, from wherever it
// entered the loop, for up to `length` frames; returns how many did. (When a stream ends, the
// loopback card plays on a little from its buffer before it notices: those frames are not
// the stream's.)
size_t checkRamp(const std::vector<int16_t>& frames, size_t length) {
    size_t count = 0;
    int16_t previous = 0;
    for (size_t i = 0; i + 1 < frames.size() && count < length; i += 2) {
        if (frames[i] == 0 && frames[i + 1] == 0) continue;
        EXPECT_EQ(frames[i + 1], -frames[i]) << "frame " << i / 2;
        if (count > 0 && frames[i] != (previous == 32000 ? 1 : previous + 1)) {
            ADD_FAILURE() << "frame " << i / 2 << ": " << frames[i] << " after " << previous;
            return count;
        }
        previous = frames[i];
        ++count;
    }
    return count;
}

// The stream position of the first non-silent frame heard (the ramp is unambiguous within
// its first 32000 frames).
size_t firstHeardPosition(const std::vector<int16_t>& frames) {
    for (size_t i = 0; i + 1 < frames.size(); i += 2)
        if (frames[i] != 0 || frames[i + 1] != 0) return static_cast<size_t>(frames[i] - 1);
    return frames.size() / 2;
}

class AlsaPcmStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        card = LoopbackCardIndex(why);
        if (card < 0) GTEST_SKIP() << why << "; run the program with vm/run-in-vm.sh";
        // The controller's side of the loop: render on device 0 substream 0, capture on
        // device 0 substream 1; the test's side is device 1.
        devices.name = "Loopback";
        devices.playback = {card, 0, 0, false};
        devices.capture = {card, 0, 1, true};
        service = std::make_unique<AlsaAudioCards>(
            [this](const std::string& path, AlsaCardDevices& found) {
                if (path != kPath) return false;
                found = devices;
                return true;
            });
        ASSERT_EQ(service->openFilter(kPath, filter), S_OK);
    }

    HRESULT createPin(uint32_t pin, std::unique_ptr<AudioCardPinIf>& created) {
        KSPIN_CONNECT connect;
        connect.Interface = {KSINTERFACESETID_Standard, KSINTERFACE_STANDARD_STREAMING, 0};
        connect.Medium = {KSMEDIUMSETID_Standard, 0, 0};
        connect.PinId = pin;
        const std::vector<uint8_t> wave = stereo16();
        KSDATAFORMAT format;
        format.FormatSize = static_cast<uint32_t>(sizeof format + wave.size());
        format.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
        format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
        format.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
        return filter->createPin(connect, format, wave, created);
    }

    std::string device(int deviceNumber, int subdevice) const {
        return "hw:" + std::to_string(card) + "," + std::to_string(deviceNumber) + "," +
               std::to_string(subdevice);
    }

    int card = -1;
    AlsaCardDevices devices;
    std::unique_ptr<AlsaAudioCards> service;
    std::unique_ptr<AudioCardFilterIf> filter;
};

TEST_F(AlsaPcmStreamTest, PinsDescribeTheCardsHardwareParameters) {
    ASSERT_EQ(filter->pinCount(), 2u);
    AudioPinDescription render, capture;
    ASSERT_EQ(filter->describePin(0, render), S_OK);
    ASSERT_EQ(filter->describePin(1, capture), S_OK);
    EXPECT_EQ(render.dataFlow, KSPIN_DATAFLOW_IN);
    EXPECT_EQ(capture.dataFlow, KSPIN_DATAFLOW_OUT);
    EXPECT_EQ(render.communication, KSPIN_COMMUNICATION_SINK);
    bool stereo = false;
    for (const KSDATARANGE_AUDIO& range : render.dataRanges) {
        stereo = stereo ||
                 (range.MaximumChannels == 2 && range.MinimumBitsPerSample == 16 &&
                  range.MinimumSampleFrequency <= kRate && kRate <= range.MaximumSampleFrequency);
    }
    EXPECT_TRUE(stereo) << render.dataRanges.size() << " ranges, none of 2 channels at 48 kHz";
}

TEST_F(AlsaPcmStreamTest, RenderedHalvesArriveInOrderAtTheCardsPace) {
    std::unique_ptr<AudioCardPinIf> pin;
    ASSERT_EQ(createPin(0, pin), S_OK);
    constexpr unsigned kHalves = 8;
    RawPcm listener(device(1, 0), true, kChannels, kRate);
    ASSERT_TRUE(listener.ok()) << listener.error();
    std::vector<int16_t> heard;
    std::thread listen([&] { listener.read(heard, (kHalves + 3) * kHalfFrames); });

    Half halves[2];
    ASSERT_EQ(pin->setState(KSSTATE_ACQUIRE), S_OK);
    ASSERT_EQ(pin->setState(KSSTATE_PAUSE), S_OK);
    for (unsigned h = 0; h < 2; ++h) {
        halves[h].fillRamp(uint64_t{h} * kHalfFrames);
        ASSERT_EQ(pin->writeStream(halves[h].request), S_OK);
    }
    EXPECT_FALSE(halves[0].done.wait(50)) << "a paused pin must not play";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(pin->setState(KSSTATE_RUN), S_OK);
    for (unsigned i = 2; i < kHalves; ++i) {
        Half& half = halves[i % 2];
        ASSERT_TRUE(half.done.wait(kPatienceMs)) << "write " << i - 2 << " never completed";
        ASSERT_EQ(half.request.overlapped.status, S_OK);
        half.fillRamp(uint64_t{i} * kHalfFrames);
        ASSERT_EQ(pin->writeStream(half.request), S_OK);
    }
    ASSERT_TRUE(halves[kHalves % 2].done.wait(kPatienceMs));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Writes complete as their frames are played, not as they are copied: 7 halves take
    // about 1.2 s of the card's time (completions may lag behind it, none run ahead).
    EXPECT_GT(seconds, 0.8 * (kHalves - 1) * kHalfFrames / kRate);
    ASSERT_TRUE(halves[(kHalves + 1) % 2].done.wait(kPatienceMs));
    listen.join();
    // On a busy host the listener may come into the loop after the card started playing; its
    // first frame says where. From there every frame must follow in order up to the last one
    // (and no further: what the card plays on from its buffer afterwards is not the stream's).
    const size_t stream = size_t{kHalves} * kHalfFrames;
    const size_t entered = firstHeardPosition(heard);
    EXPECT_LT(entered, size_t{kHalfFrames}) << "the listener missed more than a half";
    EXPECT_EQ(entered + checkRamp(heard, stream - entered), stream);
    ASSERT_EQ(pin->setState(KSSTATE_PAUSE), S_OK);
    EXPECT_EQ(pin->setState(KSSTATE_STOP), E_INVALIDARG);
}

TEST_F(AlsaPcmStreamTest, CapturedHalvesCarryWhatTheCardHears) {
    std::unique_ptr<AudioCardPinIf> pin;
    ASSERT_EQ(createPin(1, pin), S_OK);
    Half halves[2];
    ASSERT_EQ(pin->setState(KSSTATE_ACQUIRE), S_OK);
    ASSERT_EQ(pin->setState(KSSTATE_PAUSE), S_OK);
    for (Half& half : halves)
        ASSERT_EQ(pin->readStream(half.request), S_OK);
    ASSERT_EQ(pin->setState(KSSTATE_RUN), S_OK);

    RawPcm player(device(1, 1), false, kChannels, kRate);
    ASSERT_TRUE(player.ok()) << player.error();
    std::vector<int16_t> ramp(kRate * kChannels);  // one second
    for (unsigned n = 0; n < kRate; ++n) {
        ramp[2 * n] = rampLeft(n);
        ramp[2 * n + 1] = static_cast<int16_t>(-rampLeft(n));
    }
    std::thread play([&] { player.write(ramp); });

    std::vector<int16_t> heard;
    constexpr unsigned kHalves = 4;  // 0.68 s, well inside the second played
    for (unsigned i = 0; i < kHalves; ++i) {
        Half& half = halves[i % 2];
        ASSERT_TRUE(half.done.wait(kPatienceMs)) << "read " << i << " never completed";
        ASSERT_EQ(half.request.overlapped.status, S_OK);
        ASSERT_EQ(half.request.header.DataUsed, half.data.size());
        const auto* samples = reinterpret_cast<const int16_t*>(half.data.data());
        heard.insert(heard.end(), samples, samples + kHalfFrames * kChannels);
        half.request.header.FrameExtent = static_cast<uint32_t>(half.data.size());
        ASSERT_EQ(pin->readStream(half.request), S_OK);
    }
    pin.reset();  // cancels the reads still queued
    EXPECT_TRUE(halves[0].done.isSet() || halves[1].done.isSet());
    play.join();
    EXPECT_GT(checkRamp(heard, heard.size()), size_t{kHalfFrames} * kHalves / 2);
}

TEST_F(AlsaPcmStreamTest, APcmAnotherProgramHoldsIsBusyWithTheHolderNamed) {
    RawPcm other(device(0, 0), false, kChannels, kRate);
    ASSERT_TRUE(other.ok()) << other.error();
    const std::string holder = "(process " + std::to_string(::getpid()) + ")";
    AudioPinDescription render;
    EXPECT_EQ(filter->describePin(0, render), HresultFromWin32(kErrorBusy));
    EXPECT_NE(filter->lastErrorDetail().find(holder), std::string::npos)
        << filter->lastErrorDetail();
    std::unique_ptr<AudioCardPinIf> pin;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(createPin(0, pin), HresultFromWin32(kErrorBusy));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
        << "opening waited";
    EXPECT_EQ(filter->lastErrorDetail(), "in use by qmt_vm_tests " + holder);
    std::unique_ptr<AudioCardPinIf> capture;
    EXPECT_EQ(createPin(1, capture), S_OK) << "the other direction is free";
}

}  // namespace
}  // namespace qmt::vm
