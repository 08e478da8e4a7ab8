// qmtasiohost's own rules: its command line, the buffer-switch timing it reports, and the
// sample layouts it exchanges with the driver.

#include <gtest/gtest.h>

#include "asiohost/AsioSampleCodec.h"
#include "asiohost/HostOptions.h"
#include "tools/qmtasiohost/SwitchStatistics.h"

namespace qmt::asiohost {
namespace {

TEST(SwitchStatisticsTest, JitterIsTheSpreadAroundTheExpectedPeriodAndGapsCountAsMissedHalves) {
    SwitchStatistics statistics(1'000'000);  // 1 ms
    uint64_t now = 5'000'000;
    statistics.add(now, 0);
    statistics.add(now += 1'100'000, 1);
    statistics.add(now += 900'000, 0);
    SwitchStatistics::Summary summary = statistics.summary();
    EXPECT_EQ(summary.switches, 3u);
    EXPECT_DOUBLE_EQ(summary.meanPeriodMs, 1.0);
    EXPECT_NEAR(summary.jitterRmsMs, 0.1, 1e-9);
    EXPECT_NEAR(summary.jitterMaxMs, 0.1, 1e-9);
    EXPECT_EQ(summary.missedHalves, 0u);

    statistics.add(now += 3'000'000, 1);  // two periods went by without a switch
    statistics.add(now += 1'000'000, 1);  // the same half twice
    EXPECT_EQ(statistics.summary().missedHalves, 3u);
}

TEST(AsioSampleCodecTest, FullScaleValuesFitEveryDriverWidthLowByteFirst) {
    uint8_t buffer[8] = {};
    writeAsioSample(buffer, 1, 24, toFullScale(-2, 24));
    EXPECT_EQ(buffer[3], 0xFE);
    EXPECT_EQ(buffer[4], 0xFF);
    EXPECT_EQ(buffer[5], 0xFF);
    EXPECT_EQ(fromFullScale(readAsioSample(buffer, 1, 24), 24), -2);
    writeAsioSample(buffer, 0, 16, 0x7FFF0000);
    EXPECT_EQ(readAsioSample(buffer, 0, 16), 0x7FFF0000);
    EXPECT_EQ(sampleTypeBits(ASIOSTInt32LSB), 32u);
    EXPECT_EQ(sampleTypeBits(19), 0u) << "types the host does not know";
}

TEST(HostOptionsTest, ChannelListsAndValuesAreCheckedWithAPlainReason) {
    HostOptions options;
    bool help = false;
    std::string error;
    ASSERT_TRUE(parseHostOptions({"--outputs", "1,3-5", "--record", "in.wav", "--buffer", "48"},
                                 options, help, error))
        << error;
    EXPECT_EQ(options.outputs, (std::vector<int32_t>{0, 2, 3, 4}));
    EXPECT_EQ(options.inputs, (std::vector<int32_t>{0, 1})) << "recording defaults to inputs 1,2";
    EXPECT_EQ(options.bufferFrames, 48);

    EXPECT_FALSE(parseHostOptions({"--outputs", "0,17"}, options, help, error));
    EXPECT_NE(error.find("1 to 16"), std::string::npos);
    EXPECT_FALSE(parseHostOptions({"--inputs", "1"}, options, help, error));
    EXPECT_NE(error.find("--record"), std::string::npos);
    EXPECT_FALSE(parseHostOptions({"--buffer", "4.5"}, options, help, error));
    // Numbers no int32_t or session can hold are refused, not converted.
    EXPECT_FALSE(parseHostOptions({"--buffer", "1e30"}, options, help, error));
    EXPECT_NE(error.find("positive number"), std::string::npos);
    EXPECT_FALSE(parseHostOptions({"--outputs", "nan"}, options, help, error));
    EXPECT_FALSE(parseHostOptions({"--seconds", "inf"}, options, help, error));
    EXPECT_FALSE(parseHostOptions({"--driver", "A", "--library", "b.so"}, options, help, error));
    EXPECT_FALSE(parseHostOptions({"--seconds"}, options, help, error));
    EXPECT_NE(error.find("needs a value"), std::string::npos);
    ASSERT_TRUE(parseHostOptions({"--help"}, options, help, error));
    EXPECT_TRUE(help);
}

}  // namespace
}  // namespace qmt::asiohost
