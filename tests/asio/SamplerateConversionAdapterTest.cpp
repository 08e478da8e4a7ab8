// Converter selection per pin channel and the capture and render adapters: whole buffers,
// nothing lost between them, and hostile counts kept inside the buffers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "asio/Int24.h"
#include "asio/IntegerDownSamplerateConverter.h"
#include "asio/IntegerUpSamplerateConverter.h"
#include "asio/SamplerateConverterSelection.h"
#include "asio/VariableRateSamplerateConverter.h"

namespace qmt {
namespace {

using Kind = SamplerateConversionKind;
using Side = SamplerateConversionSide;

TEST(SamplerateConverterSelectionTest, FollowsTheRatioOnBothSides) {
    auto p = selectSamplerateConversion(Side::Capture, 48000, 96000.0, 256);
    EXPECT_EQ(p.kind, Kind::IntegerUp);
    EXPECT_EQ(p.factor, 2u);
    EXPECT_EQ(p.hardwareFrames, 128u);

    p = selectSamplerateConversion(Side::Capture, 96000, 48000.0, 100);
    EXPECT_EQ(p.kind, Kind::IntegerDown);
    EXPECT_EQ(p.hardwareFrames, 200u);

    p = selectSamplerateConversion(Side::Render, 96000, 48000.0, 100);
    EXPECT_EQ(p.kind, Kind::IntegerUp);
    EXPECT_EQ(p.hardwareFrames, 200u);

    p = selectSamplerateConversion(Side::Render, 48000, 96000.0, 101);
    EXPECT_EQ(p.kind, Kind::IntegerDown);
    EXPECT_EQ(p.hardwareFrames, 51u);

    p = selectSamplerateConversion(Side::Capture, 44100, 48000.0, 256);
    EXPECT_EQ(p.kind, Kind::VariableRate);
    EXPECT_DOUBLE_EQ(p.step, 0.91875);
    EXPECT_EQ(p.hardwareFrames, 238u);  // ceil((256 + 2) × 0.91875): a reserve sample, rounding

    p = selectSamplerateConversion(Side::Render, 44100, 48000.0, 256);
    EXPECT_EQ(p.kind, Kind::VariableRate);
    EXPECT_DOUBLE_EQ(p.step, 48000.0 / 44100.0);
    EXPECT_EQ(p.hardwareFrames, 236u);  // ceil(256 / step)

    // The host rate is truncated before the integer tests, the step uses it whole.
    p = selectSamplerateConversion(Side::Capture, 48000, 96000.7, 64);
    EXPECT_EQ(p.kind, Kind::IntegerUp);
    p = selectSamplerateConversion(Side::Capture, 22050, 48000.5, 64);
    EXPECT_DOUBLE_EQ(p.step, 22050 / 48000.5);
}

TEST(SamplerateConverterSelectionTest, MakesNoConverterWhenNoneApplies) {
    EXPECT_EQ(selectSamplerateConversion(Side::Capture, 48000, 48000.9, 256).kind, Kind::None);
    EXPECT_EQ(selectSamplerateConversion(Side::Render, 0, 48000.0, 256).kind, Kind::None);
    EXPECT_EQ(selectSamplerateConversion(Side::Render, 48000, 0.0, 256).kind, Kind::None);
    EXPECT_EQ(selectSamplerateConversion(Side::Render, 48000, -1.0, 256).kind, Kind::None);
    EXPECT_EQ(selectSamplerateConversion(Side::Render, 48000, NAN, 256).kind, Kind::None);
    EXPECT_EQ(selectSamplerateConversion(Side::Render, 48000, 44100.0, 0).kind, Kind::None);
    EXPECT_EQ(createInputSamplerateConverter(48000, 48000.0, 256, 16), nullptr);
    EXPECT_EQ(createInputSamplerateConverter(44100, 48000.0, 256, 32), nullptr);
    EXPECT_EQ(createOutputSamplerateConverter(44100, 48000.0, 256, 32), nullptr);
    ASSERT_NE(createInputSamplerateConverter(44100, 48000.0, 256, 24), nullptr);
    ASSERT_NE(createOutputSamplerateConverter(44100, 48000.0, 256, 16), nullptr);
}

TEST(SamplerateConversionAdapterTest, CaptureAt48kForA96kHostReadsHalfABuffer) {
    auto adapter = createInputSamplerateConverter(48000, 96000.0, 256, 16);
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter->framesNeeded(256, std::nullopt), 128u);
    auto* in = static_cast<short*>(adapter->inputBuffer());
    for (int i = 0; i < 128; ++i)
        in[i] = static_cast<short>(i - 64);
    std::vector<short> dst(256);
    EXPECT_EQ(adapter->process(128, dst.data()), 256u);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(dst[static_cast<std::size_t>(i)], i / 2 - 64);
}

TEST(SamplerateConversionAdapterTest, RenderAt96kForA48kHostWritesTwiceTheFrames) {
    auto adapter = createOutputSamplerateConverter(96000, 48000.0, 128, 24);
    ASSERT_NE(adapter, nullptr);
    std::vector<Int24> src(128, Int24(-5));
    std::size_t produced = 0;
    const auto* out = static_cast<const Int24*>(adapter->process(src.data(), 128, produced));
    EXPECT_EQ(produced, 256u);
    EXPECT_EQ(static_cast<std::int32_t>(out[255]), -5);
}

// Drives a capture adapter like the capture filter does, buffer after buffer, with two reads in
// flight (each sized as it is queued, while the one ahead of it is still on its way), and checks
// each buffer is whole and that the buffers joined are the converter's output on the same stream.
template <typename T>
void expectWholeCaptureBuffers(std::uint32_t hardwareRate, double asioRate, std::size_t frames,
                               SamplerateConverterIf<T>& reference) {
    auto adapter =
        createInputSamplerateConverter(hardwareRate, asioRate, frames, sizeof(T) == 2 ? 16 : 24);
    ASSERT_NE(adapter, nullptr);
    std::vector<T> stream;
    std::vector<std::int32_t> handedOut;
    std::vector<T> dst(frames);
    std::size_t ahead = adapter->framesNeeded(frames, std::nullopt);
    std::vector<std::size_t> reads;
    for (int buffer = 0; buffer < 400; ++buffer) {
        const std::size_t need = ahead;
        reads.push_back(need);
        ahead = adapter->framesNeeded(frames, need);
        ASSERT_LE(need, adapter->capacity());
        auto* in = static_cast<T*>(adapter->inputBuffer());
        for (std::size_t i = 0; i < need; ++i) {
            const double t = static_cast<double>(stream.size());
            in[i] = T(static_cast<std::int32_t>(20000 * std::sin(t * 0.01)));
            stream.push_back(in[i]);
        }
        ASSERT_EQ(adapter->process(need, dst.data()), frames) << "buffer " << buffer;
        for (const T& s : dst)
            handedOut.push_back(static_cast<std::int32_t>(s));
    }
    // What the reads up to the first converted sample cannot yet produce leads in as silence;
    // the rest is the converter's output on the whole stream, in order.
    std::vector<T> expected(handedOut.size() + stream.size() * 32 + 64);
    std::size_t produced = 0;
    std::size_t fed = 0;
    std::size_t leadIn = 0;
    for (std::size_t read = 0; produced == 0 && read < reads.size(); ++read) {
        reference.convert(stream.data() + fed, reads[read], expected.data(), produced);
        fed += reads[read];
        leadIn = (read + 1) * frames - std::min(produced, frames);
    }
    std::size_t more = 0;
    reference.convert(stream.data() + fed, stream.size() - fed, expected.data() + produced, more);
    ASSERT_GE(leadIn + produced + more, handedOut.size());
    for (std::size_t k = 0; k < handedOut.size(); ++k) {
        const auto want = k < leadIn ? 0 : static_cast<std::int32_t>(expected[k - leadIn]);
        ASSERT_EQ(handedOut[k], want) << k;
    }
}

TEST(SamplerateConversionAdapterTest, CaptureBuffersAreWholeAndLoseNothing) {
    VariableRateSamplerateConverterFor<short> up(44100.0 / 48000.0);
    expectWholeCaptureBuffers<short>(44100, 48000.0, 256, up);
    // 1 ms buffers: sized from what had arrived alone, buffers 5, 11, 22, 39 and 50 came out a
    // sample short.
    VariableRateSamplerateConverterFor<short> upSmall(44100.0 / 48000.0);
    expectWholeCaptureBuffers<short>(44100, 48000.0, 48, upSmall);
    // A look-ahead longer than a buffer: silence leads in over several buffers.
    VariableRateSamplerateConverterFor<short> farUp(8000.0 / 44100.0);
    expectWholeCaptureBuffers<short>(8000, 44100.0, 16, farUp);
    VariableRateSamplerateConverterFor<Int24> down(48000.0 / 44100.0);
    expectWholeCaptureBuffers<Int24>(48000, 44100.0, 333, down);
    IntegerDownSamplerateConverter<short> byThree(3);
    expectWholeCaptureBuffers<short>(96000, 32000.0, 77, byThree);
    // An odd buffer at twice the hardware rate: the extra repeat waits for the next buffer.
    IntegerUpSamplerateConverter<Int24> byTwo(2);
    expectWholeCaptureBuffers<Int24>(48000, 96000.0, 75, byTwo);
    // A read of one frame fills more than a buffer: some reads ask for nothing, and the read
    // after such an empty one still counts it as on its way.
    IntegerUpSamplerateConverter<short> byTwentyFour(24);
    expectWholeCaptureBuffers<short>(8000, 192000.0, 16, byTwentyFour);
}

// A render adapter never writes more than its buffer holds, and its output joined over many
// buffers is the converter's output on the joined input.
template <typename T>
void expectRenderWithinBuffer(std::uint32_t hardwareRate, double asioRate, std::size_t frames,
                              SamplerateConverterIf<T>& reference) {
    auto adapter =
        createOutputSamplerateConverter(hardwareRate, asioRate, frames, sizeof(T) == 2 ? 16 : 24);
    ASSERT_NE(adapter, nullptr);
    std::vector<T> stream;
    std::vector<std::int32_t> written;
    std::vector<T> src(frames);
    for (int buffer = 0; buffer < 400; ++buffer) {
        for (auto& s : src) {
            s = T(static_cast<std::int32_t>(7000 *
                                            std::cos(static_cast<double>(stream.size()) * 0.03)));
            stream.push_back(s);
        }
        std::size_t produced = 0;
        const auto* out = static_cast<const T*>(adapter->process(src.data(), frames, produced));
        ASSERT_LE(produced, adapter->capacity()) << "buffer " << buffer;
        for (std::size_t i = 0; i < produced; ++i)
            written.push_back(static_cast<std::int32_t>(out[i]));
    }
    std::vector<T> expected(stream.size() * 8 + 64);
    std::size_t produced = 0;
    reference.convert(stream.data(), stream.size(), expected.data(), produced);
    ASSERT_LE(produced - written.size(), 1u);  // at most one sample held back
    for (std::size_t k = 0; k < written.size(); ++k)
        ASSERT_EQ(written[k], static_cast<std::int32_t>(expected[k])) << k;
}

TEST(SamplerateConversionAdapterTest, RenderStaysWithinTheHardwareBuffer) {
    VariableRateSamplerateConverterFor<short> down(48000.0 / 44100.0);
    expectRenderWithinBuffer<short>(44100, 48000.0, 256, down);
    VariableRateSamplerateConverterFor<Int24> up(22050.0 / 48000.0);
    expectRenderWithinBuffer<Int24>(48000, 22050.0, 97, up);
    IntegerDownSamplerateConverter<short> byTwo(2);
    expectRenderWithinBuffer<short>(48000, 96000.0, 75, byTwo);
}

TEST(SamplerateConversionAdapterTest, OversizedCountsStayInsideTheBuffers) {
    auto capture = createInputSamplerateConverter(44100, 48000.0, 64, 24);
    ASSERT_NE(capture, nullptr);
    std::vector<Int24> dst(64);
    EXPECT_LE(capture->process(capture->capacity() * 100, dst.data()), 64u);

    auto render = createOutputSamplerateConverter(96000, 48000.0, 64, 16);
    ASSERT_NE(render, nullptr);
    std::vector<short> src(64 * 100);
    std::size_t produced = 0;
    render->process(src.data(), src.size(), produced);
    EXPECT_EQ(produced, render->capacity());
}

}  // namespace
}  // namespace qmt
