// Blocks of driver samples to the graph's floats and back.

#include "asiohost/AsioFloatBlocks.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "asio/Int24.h"

namespace qmt::asiohost {
namespace {

template <typename Sample>
void expectExactRoundTrip(const std::vector<Sample>& samples, uint32_t bits) {
    std::vector<float> floats(samples.size());
    AsioToFloat(samples.data(), bits, floats.data(), samples.size());
    for (float value : floats) {
        EXPECT_GE(value, -1.0f);
        EXPECT_LT(value, 1.0f);
    }
    std::vector<Sample> back(samples.size());
    FloatToAsio(floats.data(), back.data(), bits, samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ(static_cast<int32_t>(back[i]), static_cast<int32_t>(samples[i]))
            << bits << " bits";
}

TEST(AsioFloatBlocksTest, IntegerSamplesOfEveryWidthSurviveTheWayBack) {
    expectExactRoundTrip<int16_t>({-32768, -1, 0, 1, 12345, 32767}, 16);
    expectExactRoundTrip<Int24>({Int24(-8388608), Int24(-1), Int24(0), Int24(4660), Int24(8388607)},
                                24);
    // 32-bit samples keep the 24 bits a float carries; these need no more.
    expectExactRoundTrip<int32_t>({std::numeric_limits<int32_t>::min(), -256, 0, 0x12345600}, 32);
}

TEST(AsioFloatBlocksTest, FloatsBeyondFullScaleAreClampedNotWrapped) {
    const float loud[] = {1.5f, -1.5f, 1.0f};
    int16_t out16[3];
    FloatToAsio(loud, out16, 16, 3);
    EXPECT_EQ(out16[0], 32767);
    EXPECT_EQ(out16[1], -32768);
    EXPECT_EQ(out16[2], 32767);
    Int24 out24[3];
    FloatToAsio(loud, out24, 24, 3);
    EXPECT_EQ(static_cast<int32_t>(out24[0]), 8388607);
    EXPECT_EQ(static_cast<int32_t>(out24[1]), -8388608);
    int32_t out32[3];
    FloatToAsio(loud, out32, 32, 3);
    EXPECT_EQ(out32[0], std::numeric_limits<int32_t>::max());
    EXPECT_EQ(out32[1], std::numeric_limits<int32_t>::min());
}

}  // namespace
}  // namespace qmt::asiohost
