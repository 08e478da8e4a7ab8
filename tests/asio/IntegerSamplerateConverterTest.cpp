// Integer up- and downsampling: the averaging rules and that any split of the input gives the
// same output.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "asio/Int24.h"
#include "asio/IntegerDownSamplerateConverter.h"
#include "asio/IntegerUpSamplerateConverter.h"

namespace qmt {
namespace {

template <typename T>
std::vector<std::int32_t> values(const std::vector<T>& samples) {
    std::vector<std::int32_t> out;
    for (const T& s : samples)
        out.push_back(static_cast<std::int32_t>(s));
    return out;
}

template <typename T>
std::vector<T> samples(const std::vector<std::int32_t>& values) {
    std::vector<T> out;
    for (std::int32_t v : values)
        out.push_back(T(v));
    return out;
}

template <typename T>
std::vector<std::int32_t> feed(SamplerateConverterIf<T>& converter, const std::vector<T>& input,
                               const std::vector<std::size_t>& blocks, std::size_t maxFactor) {
    std::vector<T> all;
    std::size_t at = 0;
    for (std::size_t block : blocks) {
        std::vector<T> out(block * maxFactor + 1);
        std::size_t produced = 0;
        converter.convert(input.data() + at, block, out.data(), produced);
        EXPECT_LE(produced, out.size());
        all.insert(all.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(produced));
        at += block;
    }
    return values(all);
}

TEST(Int24Test, PacksLowByteFirstAndSignExtends) {
    const Int24 s(-2);
    EXPECT_EQ(s.bytes[0], 0xFE);
    EXPECT_EQ(s.bytes[1], 0xFF);
    EXPECT_EQ(s.bytes[2], 0xFF);
    EXPECT_EQ(static_cast<std::int32_t>(Int24(8388607)), 8388607);
    EXPECT_EQ(static_cast<std::int32_t>(Int24(-8388608)), -8388608);
    EXPECT_EQ(static_cast<std::int32_t>(Int24(0x123456)), 0x123456);
}

TEST(IntegerDownSamplerateConverterTest, CompletesCarriedGroupAcrossCalls) {
    IntegerDownSamplerateConverter<short> down(2);
    const auto out = feed<short>(down, samples<short>({3, 4, 5, 6}), {2, 1, 1}, 1);
    EXPECT_EQ(out, (std::vector<std::int32_t>{3, 5}));  // 7 / 2 and 11 / 2, truncated
}

TEST(IntegerDownSamplerateConverterTest, TruncatesTowardZero) {
    IntegerDownSamplerateConverter<short> down(2);
    EXPECT_EQ(feed<short>(down, samples<short>({-3, -4}), {2}, 1), std::vector<std::int32_t>{-3});
    IntegerDownSamplerateConverter<Int24> down3(3);
    EXPECT_EQ(feed<Int24>(down3, samples<Int24>({-1, -1, 1, 5, 5, 6}), {6}, 1),
              (std::vector<std::int32_t>{0, 5}));
}

TEST(IntegerDownSamplerateConverterTest, FullScaleGroupsDoNotOverflow) {
    IntegerDownSamplerateConverter<Int24> down(IntegerDownSamplerateConverter<Int24>::kMaxFactor);
    std::vector<std::int32_t> in(512, 8388607);
    std::fill(in.begin() + 256, in.end(), -8388608);
    EXPECT_EQ(feed<Int24>(down, samples<Int24>(in), {100, 300, 112}, 1),
              (std::vector<std::int32_t>{8388607, -8388608}));
}

TEST(IntegerUpSamplerateConverterTest, RepeatsEverySample) {
    IntegerUpSamplerateConverter<Int24> up(3);
    EXPECT_EQ(feed<Int24>(up, samples<Int24>({1, -8388608, 7}), {2, 0, 1}, 3),
              (std::vector<std::int32_t>{1, 1, 1, -8388608, -8388608, -8388608, 7, 7, 7}));
}

TEST(IntegerSamplerateConverterTest, ZeroFactorIsTakenAsOne) {
    IntegerUpSamplerateConverter<short> up(0);
    IntegerDownSamplerateConverter<short> down(0);
    const auto in = samples<short>({5, -6});
    EXPECT_EQ(feed<short>(up, in, {2}, 1), (std::vector<std::int32_t>{5, -6}));
    EXPECT_EQ(feed<short>(down, in, {2}, 1), (std::vector<std::int32_t>{5, -6}));
}

// Random splits, including empty and single-sample blocks, against one call with everything.
template <typename T>
void expectSplitIndependent(std::uint32_t factor, std::int32_t lo, std::int32_t hi) {
    std::mt19937 rng(factor * 7919u + sizeof(T));
    std::uniform_int_distribution<std::int32_t> value(lo, hi);
    std::vector<std::int32_t> raw(4000);
    for (auto& v : raw)
        v = value(rng);
    const auto input = samples<T>(raw);
    IntegerDownSamplerateConverter<T> downWhole(factor);
    IntegerUpSamplerateConverter<T> upWhole(factor);
    const auto downExpected = feed<T>(downWhole, input, {input.size()}, 1);
    const auto upExpected = feed<T>(upWhole, input, {input.size()}, factor);
    ASSERT_EQ(downExpected.size(), input.size() / factor);
    for (std::size_t i = 0; i < downExpected.size(); ++i) {
        std::int64_t sum = 0;
        for (std::size_t k = 0; k < factor; ++k)
            sum += raw[i * factor + k];
        ASSERT_EQ(downExpected[i], sum / static_cast<std::int64_t>(factor));
    }
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<std::size_t> blocks;
        std::uniform_int_distribution<std::size_t> size(0, 3 * factor + 2);
        for (std::size_t left = input.size(); left > 0;) {
            blocks.push_back(std::min(left, size(rng)));
            left -= blocks.back();
        }
        IntegerDownSamplerateConverter<T> down(factor);
        IntegerUpSamplerateConverter<T> up(factor);
        EXPECT_EQ(feed<T>(down, input, blocks, 1), downExpected);
        EXPECT_EQ(feed<T>(up, input, blocks, factor), upExpected);
    }
}

TEST(IntegerSamplerateConverterTest, AnySplitGivesTheSameOutput) {
    for (std::uint32_t factor : {2u, 3u, 4u}) {
        expectSplitIndependent<short>(factor, -32768, 32767);
        expectSplitIndependent<Int24>(factor, -8388608, 8388607);
    }
}

}  // namespace
}  // namespace qmt
