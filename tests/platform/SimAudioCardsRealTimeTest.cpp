// The demo's real-time clock: a thread of its own completes requests the streaming thread
// waits for, so it runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include "platform/sim/SimAudioCards.h"

namespace qmt {
namespace {

TEST(SimAudioCardsRealTimeTest, RealTimeCompletesReadsWhileAnotherThreadQueuesThem) {
    SimDeviceTree tree;
    SimAudioCards cards(tree);
    const int krt4 = tree.plugController(SimControllerModel::Krt4, u"KRT400001", 1);
    std::unique_ptr<AudioCardFilterIf> filter;
    ASSERT_EQ(cards.openFilter(tree.audioInterfacePath(krt4), filter), S_OK);
    WAVEFORMATEX wave;
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = 2;
    wave.nSamplesPerSec = 44100;
    wave.wBitsPerSample = 16;
    wave.nBlockAlign = 4;
    wave.nAvgBytesPerSec = 4 * 44100;
    KSPIN_CONNECT connect;
    connect.Interface = {KSINTERFACESETID_Standard, KSINTERFACE_STANDARD_STREAMING, 0};
    connect.Medium = {KSMEDIUMSETID_Standard, 0, 0};
    connect.PinId = 3;
    KSDATAFORMAT format;
    format.FormatSize = sizeof format + sizeof wave;
    format.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    format.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
    std::unique_ptr<AudioCardPinIf> pin;
    ASSERT_EQ(filter->createPin(connect, format,
                                {reinterpret_cast<const uint8_t*>(&wave), sizeof wave}, pin),
              S_OK);
    for (KSSTATE s : {KSSTATE_ACQUIRE, KSSTATE_PAUSE, KSSTATE_RUN})
        ASSERT_EQ(pin->setState(s), S_OK);

    cards.startRealTime();
    std::vector<uint8_t> data(4 * 64);
    Event done(false);
    KsStreamRequest request;
    request.header.Data = data.data();
    request.overlapped.event = &done;
    for (int i = 0; i < 5; ++i) {
        request.header.FrameExtent = static_cast<uint32_t>(data.size());
        ASSERT_EQ(pin->readStream(request), S_OK);
        ASSERT_TRUE(done.wait(10'000)) << "read " << i << " never completed";
        EXPECT_EQ(request.header.DataUsed, data.size());
    }
    cards.stopRealTime();
}

}  // namespace
}  // namespace qmt
