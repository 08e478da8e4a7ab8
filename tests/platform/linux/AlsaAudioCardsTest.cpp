// The ALSA sound-card service's own logic on the build host: data ranges from hardware
// parameters, the card a path names, and the holder of a busy PCM. Streaming through real
// PCMs runs in the test guest (tests/vm/AlsaPcmStreamTest.cpp).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "FakeSysfs.h"
#include "platform/linux/AlsaAudioCards.h"
#include "platform/linux/AlsaCardList.h"
#include "platform/linux/AlsaDataRanges.h"
#include "platform/linux/AlsaPcmHolder.h"

namespace qmt {
namespace {

namespace fs = std::filesystem;
using test::FakeSysfs;

struct FakeCapabilities final : PcmCapabilitiesIf {
    unsigned minChannels = 2, maxChannels = 2, minRate = 44100, maxRate = 48000;
    std::function<bool(unsigned, unsigned, unsigned)> takes;
    bool channelRange(unsigned& min, unsigned& max) override {
        min = minChannels;
        max = maxChannels;
        return true;
    }
    bool rateRange(unsigned, unsigned& min, unsigned& max) override {
        min = minRate;
        max = maxRate;
        return true;
    }
    bool accepts(unsigned c, unsigned bits, unsigned rate) override { return takes(c, bits, rate); }
};

struct Range {
    unsigned channels, minBits, maxBits, minRate, maxRate;
    bool operator==(const Range&) const = default;
};

std::vector<Range> rangesOf(FakeCapabilities& pcm) {
    std::vector<Range> out;
    for (const KSDATARANGE_AUDIO& r : MakeDataRanges(pcm)) {
        EXPECT_EQ(r.DataRange.MajorFormat, KSDATAFORMAT_TYPE_AUDIO);
        out.push_back({r.MaximumChannels, r.MinimumBitsPerSample, r.MaximumBitsPerSample,
                       r.MinimumSampleFrequency, r.MaximumSampleFrequency});
    }
    return out;
}

TEST(AlsaDataRangesTest, FixedRateCardsGetARangePerRateAndWidthRun) {
    // A USB card: 16 and 24 bits at 44.1 kHz, 16 only at 48 kHz, nothing between.
    FakeCapabilities usb;
    usb.takes = [](unsigned, unsigned bits, unsigned rate) {
        return (rate == 44100 && bits <= 24) || (rate == 48000 && bits == 16);
    };
    EXPECT_EQ(rangesOf(usb),
              (std::vector<Range>{{2, 16, 24, 44100, 44100}, {2, 16, 16, 48000, 48000}}));
    // Widths with a gap are two ranges.
    usb.takes = [](unsigned, unsigned bits, unsigned rate) { return rate == 48000 && bits != 24; };
    EXPECT_EQ(rangesOf(usb),
              (std::vector<Range>{{2, 16, 16, 48000, 48000}, {2, 32, 32, 48000, 48000}}));
}

TEST(AlsaDataRangesTest, ContinuousRatesGiveOneRangePerChannelCountUpToSixteen) {
    FakeCapabilities loop;
    loop.minChannels = 1;
    loop.maxChannels = 32;
    loop.minRate = 8000;
    loop.maxRate = 192000;
    loop.takes = [](unsigned, unsigned, unsigned) { return true; };
    const std::vector<Range> ranges = rangesOf(loop);
    ASSERT_EQ(ranges.size(), kMaxRangeChannels);
    for (unsigned c = 1; c <= kMaxRangeChannels; ++c)
        EXPECT_EQ(ranges[c - 1], (Range{c, 16, 32, 8000, 192000}));
}

TEST(AlsaCardLookupTest, APathFindsItsCardsFirstPlaybackAndCaptureDevices) {
    FakeSysfs sysfs;
    sysfs.AddUsbDevice("1-1", 3, 0xF7E1, 0x0300, "ARDO0042");
    sysfs.AddAudio(3, "1-1", 0, true, false);
    sysfs.AddUsbDevice("1-2", 2, 0x04D8, 0x0B1C, "KRT40001");
    sysfs.AddAudio(4, "1-2", 0, true, true);
    const std::vector<AlsaCardEntry> cards = ListAlsaCards(sysfs.sysRoot());
    ASSERT_EQ(cards.size(), 2u);
    const AlsaCardLookup lookup = SysfsAlsaCardLookup(sysfs.sysRoot());
    AlsaCardDevices devices;
    ASSERT_TRUE(lookup(cards[0].path, devices));
    EXPECT_EQ(devices.playback.deviceName(), "hw:3,0");
    EXPECT_FALSE(devices.capture.present());
    ASSERT_TRUE(lookup(cards[1].path, devices));
    EXPECT_EQ(devices.capture.deviceName(), "hw:4,0");
    EXPECT_TRUE(devices.capture.capture);
    EXPECT_FALSE(lookup("\\\\?\\USB#VID_F7E1&PID_0202&MI_00#nothing", devices));

    AlsaAudioCards service(lookup);
    std::unique_ptr<AudioCardFilterIf> filter;
    EXPECT_EQ(service.openFilter("\\\\?\\nothing", filter), HresultFromWin32(kErrorFileNotFound));
    ASSERT_EQ(service.openFilter(cards[1].path, filter), S_OK);
    EXPECT_EQ(filter->pinCount(), 2u);
}

TEST(AlsaPcmHolderTest, TheHolderIsNamedFromTheSubstreamsOwner) {
    const fs::path proc = fs::temp_directory_path() / ("qmt-proc-" + std::to_string(::getpid()));
    fs::create_directories(proc / "asound/card2/pcm0p/sub0");
    fs::create_directories(proc / "asound/card2/pcm0p/sub1");
    fs::create_directories(proc / "812");
    std::ofstream(proc / "asound/card2/pcm0p/sub0/status") << "closed\n";
    std::ofstream(proc / "asound/card2/pcm0p/sub1/status")
        << "state: RUNNING\nowner_pid   : 812\ntrigger_time: 1.0\n";
    std::ofstream(proc / "812/comm") << "pulseaudio\n";
    EXPECT_EQ(DescribePcmHolder(proc, 2, 0, false, -1), "in use by pulseaudio (process 812)");
    EXPECT_EQ(DescribePcmHolder(proc, 2, 0, false, 0), "in use by another program");
    EXPECT_EQ(DescribePcmHolder(proc, 2, 0, true, -1), "in use by another program");
    fs::remove_all(proc);
}

}  // namespace
}  // namespace qmt
