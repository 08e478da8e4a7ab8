// Converter selection per pin channel and the capture and render adapters: whole buffers,
// nothing lost between them, and hostile counts kept inside the buffers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
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
    EXPECT_EQ(p.hardwareFrames, 236u);  // ceil(256 × 0.91875)

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
    EXPECT_EQ(adapter->framesNeeded(256), 128u);
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

// Drives a capture adapter like the capture filter does, buffer after buffer, and checks each
// buffer is whole and that the buffers joined are the converter's output on the same stream.
template <typename T>
void expectWholeCaptureBuffers(std::uint32_t hardwareRate, double asioRate, std::size_t frames,
                               SamplerateConverterIf<T>& reference) {
    auto adapter =
        createInputSamplerateConverter(hardwareRate, asioRate, frames, sizeof(T) == 2 ? 16 : 24);
    ASSERT_NE(adapter, nullptr);
    std::vector<T> stream;
    std::vector<std::int32_t> handedOut;
    std::vector<T> dst(frames);
    std::size_t firstRead = 0;
    for (int buffer = 0; buffer < 400; ++buffer) {
        const std::size_t need = adapter->framesNeeded(frames);
        ASSERT_LE(need, adapter->capacity());
        auto* in = static_cast<T*>(adapter->inputBuffer());
        for (std::size_t i = 0; i < need; ++i) {
            const double t = static_cast<double>(stream.size());
            in[i] = T(static_cast<std::int32_t>(20000 * std::sin(t * 0.01)));
            stream.push_back(in[i]);
        }
        if (buffer == 0) firstRead = need;
        ASSERT_EQ(adapter->process(need, dst.data()), frames) << "buffer " << buffer;
        for (const T& s : dst)
            handedOut.push_back(static_cast<std::int32_t>(s));
    }
    // What the first read cannot yet produce leads in as silence; the rest is the converter's
    // output on the whole stream, in order.
    std::vector<T> expected(stream.size() * 8 + 64);
    std::size_t produced = 0;
    reference.convert(stream.data(), firstRead, expected.data(), produced);
    const std::size_t leadIn = produced < frames ? frames - produced : 0;
    std::size_t more = 0;
    reference.convert(stream.data() + firstRead, stream.size() - firstRead,
                      expected.data() + produced, more);
    ASSERT_GE(leadIn + produced + more, handedOut.size());
    for (std::size_t k = 0; k < handedOut.size(); ++k) {
        const auto want = k < leadIn ? 0 : static_cast<std::int32_t>(expected[k - leadIn]);
        ASSERT_EQ(handedOut[k], want) << k;
    }
}

TEST(SamplerateConversionAdapterTest, CaptureBuffersAreWholeAndLoseNothing) {
    VariableRateSamplerateConverterFor<short> up(44100.0 / 48000.0);
    expectWholeCaptureBuffers<short>(44100, 48000.0, 256, up);
    VariableRateSamplerateConverterFor<Int24> down(48000.0 / 44100.0);
    expectWholeCaptureBuffers<Int24>(48000, 44100.0, 333, down);
    IntegerDownSamplerateConverter<short> byThree(3);
    expectWholeCaptureBuffers<short>(96000, 32000.0, 77, byThree);
    // An odd buffer at twice the hardware rate: the extra repeat waits for the next buffer.
    IntegerUpSamplerateConverter<Int24> byTwo(2);
    expectWholeCaptureBuffers<Int24>(48000, 96000.0, 75, byTwo);
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
