// The variable-rate converter against a direct evaluation of the windowed-sinc formula, against
// a plain block-by-block rendering of its algorithm, its vector path against its portable one,
// and its bookkeeping across blocks over long runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "asio/Int24.h"
#include "asio/VariableRateKernel.h"
#include "asio/VariableRateSamplerateConverter.h"
#include "asio/VariableRateWindowSums.h"

namespace qmt {
namespace {

using Converter16 = VariableRateSamplerateConverterFor<short>;
using Converter24 = VariableRateSamplerateConverterFor<Int24>;

// The formula written out on its own: sinc(t) times a Kaiser window (beta 5, half-width 17).
double windowedSinc(double t) {
    const double sinc = t == 0.0 ? 1.0
                        : t == std::trunc(t)
                            ? 0.0
                            : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
    const double r = t / 17.0;
    const double w = std::cyl_bessel_i(0.0, 5.0 * std::sqrt(std::max(0.0, 1.0 - r * r))) /
                     std::cyl_bessel_i(0.0, 5.0);
    return sinc * w;
}

struct Reference {
    std::vector<std::int32_t> samples;
    std::vector<double> sums;  // before clamping and truncation
};

// Every output the converter can complete from the whole input, evaluated at the positions the
// algorithm walks: start 16-ish samples early, step by step, never before the input's start
// once the early outputs are done.
Reference evaluate(const std::vector<std::int32_t>& in, double step, std::int32_t lo,
                   std::int32_t hi) {
    const auto n = static_cast<std::int64_t>(in.size());
    const auto capacity = static_cast<std::size_t>(std::ceil(32.0 / step));
    const std::size_t early = (capacity + 1) / 2;
    // The formula is evaluated once per phase and tap; the test only needs it to be the formula.
    std::vector<std::vector<double>> rows(513);
    Reference ref;
    double q = -step * static_cast<double>(early);
    for (std::size_t k = 0;; ++k) {
        if (k < early && q >= 0.0) q = -2.2250738585072014e-308;
        if (k == early && q < 0.0) q = 0.0;
        const double j = std::floor(q);
        if (static_cast<std::int64_t>(j) + 32 >= n) break;
        const double p = std::round((q - j) * 512.0);
        auto& row = rows[static_cast<std::size_t>(p)];
        if (row.empty())
            for (int i = 0; i < 33; ++i)
                row.push_back(windowedSinc((i - 16) - p / 512.0));
        double sum = 0.0;
        for (int i = 0; i < 33; ++i) {
            const auto idx = static_cast<std::int64_t>(j) + i;
            const double x = idx >= 0 && idx < n ? in[static_cast<std::size_t>(idx)] : 0.0;
            sum += x * row[static_cast<std::size_t>(i)];
        }
        ref.sums.push_back(sum);
        ref.samples.push_back(
            static_cast<std::int32_t>(std::trunc(std::clamp<double>(sum, lo, hi))));
        q += step;
    }
    return ref;
}

template <typename T, typename C>
std::vector<std::int32_t> run(C& converter, const std::vector<std::int32_t>& raw,
                              const std::vector<std::size_t>& blocks) {
    std::vector<T> in;
    for (std::int32_t v : raw)
        in.push_back(T(v));
    std::vector<std::int32_t> out;
    std::size_t at = 0;
    for (std::size_t block : blocks) {
        std::vector<T> dst(C::maxOutput(block, converter.step()));
        std::size_t produced = 0;
        converter.convert(in.data() + at, block, dst.data(), produced);
        EXPECT_LE(produced, dst.size());
        EXPECT_LE(converter.pendingCount(), converter.pendingCapacity() + 2);
        for (std::size_t i = 0; i < produced; ++i)
            out.push_back(static_cast<std::int32_t>(dst[i]));
        at += block;
    }
    return out;
}

std::vector<std::int32_t> noise(std::size_t count, std::int32_t amplitude, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int32_t> value(-amplitude, amplitude);
    std::vector<std::int32_t> out(count);
    for (auto& v : out)
        v = value(rng);
    return out;
}

std::vector<std::size_t> randomSplit(std::size_t total, std::size_t maxBlock, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::size_t> size(0, maxBlock);
    std::vector<std::size_t> blocks;
    for (std::size_t left = total; left > 0;) {
        blocks.push_back(std::min(left, size(rng)));
        left -= blocks.back();
    }
    return blocks;
}

// The algorithm written out plainly, one output and one tap at a time, summing only the taps a
// block has and carrying partial sums to the next block. The converter takes shortcuts (whole
// windows over zero-extended input, four outputs per vector) that must not change a bit.
class PlainConverter {
  public:
    PlainConverter(double step, std::int32_t lo, std::int32_t hi)
        : step_(step),
          lo_(lo),
          hi_(hi),
          pending_(static_cast<std::size_t>(std::ceil(32.0 / step)) + 2, 0.0),
          count_((pending_.size() - 2 + 1) / 2),
          position_(-step * static_cast<double>(count_)) {}

    std::vector<std::int32_t> convert(const std::vector<std::int32_t>& in) {
        constexpr double kBefore = -2.2250738585072014e-308;
        const auto n = static_cast<std::int64_t>(in.size());
        std::vector<std::int32_t> out;
        auto sum = [&](double q, double start, std::int64_t from, std::int64_t to) {
            const auto j = static_cast<std::int64_t>(std::floor(q));
            const double* c = VariableRateKernel::instance().phase(
                static_cast<int>(std::round((q - static_cast<double>(j)) * 512.0)));
            double s = start;
            for (std::int64_t i = from; i < to; ++i)
                s += static_cast<double>(in[static_cast<std::size_t>(j + i)]) *
                     c[static_cast<std::size_t>(i)];
            return s;
        };
        auto index = [](double q) { return static_cast<std::int64_t>(std::floor(q)); };
        std::size_t first = 0;
        while (count_ > 0) {
            if (!(position_ < 0.0)) position_ = kBefore;
            const std::int64_t j = index(position_);
            if (j + 32 >= n) break;
            out.push_back(sample(sum(position_, pending_[first], -j, 33)));
            ++first;
            --count_;
            position_ += step_;
        }
        if (count_ == 0) {
            if (position_ < 0.0) position_ = 0.0;
            for (; index(position_) + 32 < n; position_ += step_)
                out.push_back(sample(sum(position_, 0.0, 0, 33)));
            double q = position_;
            for (; count_ < pending_.size() && index(q) < n; q += step_, ++count_)
                pending_[count_] = sum(q, 0.0, 0, n - index(q));
        } else {
            std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(first), count_,
                        pending_.begin());
            const std::size_t carried = count_;
            double q = position_;
            std::size_t k = 0;
            for (; k < pending_.size(); ++k, q += step_) {
                const double at = k < carried ? std::min(q, kBefore) : std::max(q, 0.0);
                const std::int64_t j = index(at);
                if (j >= n) break;
                pending_[k] = sum(at, k < carried ? pending_[k] : 0.0,
                                  std::max<std::int64_t>(0, -j), std::min<std::int64_t>(33, n - j));
            }
            count_ = k;
        }
        position_ -= static_cast<double>(n);
        return out;
    }

    std::size_t pendingCount() const { return count_; }
    double pendingSum(std::size_t k) const { return pending_[k]; }

  private:
    std::int32_t sample(double v) const {
        return static_cast<std::int32_t>(
            std::clamp(v, static_cast<double>(lo_), static_cast<double>(hi_)));
    }

    double step_;
    std::int32_t lo_;
    std::int32_t hi_;
    std::vector<double> pending_;
    std::size_t count_;
    double position_;
};

// The same input through the converter on the given path and through the plain rendering,
// block by block; returns the converter's outputs after checking every one.
template <typename T>
std::vector<std::int32_t> runAgainstPlain(double step, VariableRateWindowSums::Path path,
                                          const std::vector<std::int32_t>& in,
                                          const std::vector<std::size_t>& blocks) {
    VariableRateSamplerateConverterFor<T> converter(step);
    converter.setPath(path);
    PlainConverter plain(step, SampleLimits<T>::kMin, SampleLimits<T>::kMax);
    std::vector<std::int32_t> all;
    std::size_t at = 0;
    for (std::size_t block : blocks) {
        const std::vector<std::int32_t> part(in.begin() + static_cast<std::ptrdiff_t>(at),
                                             in.begin() + static_cast<std::ptrdiff_t>(at + block));
        std::vector<T> src;
        for (std::int32_t v : part)
            src.push_back(T(v));
        std::vector<T> dst(VariableRateSamplerateConverterFor<T>::maxOutput(block, step));
        std::size_t produced = 0;
        converter.convert(src.data(), block, dst.data(), produced);
        const auto expected = plain.convert(part);
        EXPECT_EQ(produced, expected.size()) << "step " << step << " at " << at;
        for (std::size_t k = 0; k < std::min(produced, expected.size()); ++k) {
            EXPECT_EQ(static_cast<std::int32_t>(dst[k]), expected[k])
                << "step " << step << " at " << at << " output " << k;
            all.push_back(static_cast<std::int32_t>(dst[k]));
        }
        // Samples hide a sum's last bits; the carried partial sums show them.
        EXPECT_EQ(converter.pendingCount(), plain.pendingCount()) << "step " << step;
        for (std::size_t k = 0; k < std::min(converter.pendingCount(), plain.pendingCount()); ++k)
            EXPECT_EQ(converter.pendingSum(k), plain.pendingSum(k))
                << "step " << step << " at " << at << " pending " << k;
        at += block;
    }
    return all;
}

TEST(VariableRateKernelTest, WholeSamplePhasesAreUnitImpulses) {
    const auto& kernel = VariableRateKernel::instance();
    for (int i = 0; i < 33; ++i) {
        EXPECT_EQ(kernel.phase(0)[i], i == 16 ? 1.0 : 0.0) << i;
        EXPECT_EQ(kernel.phase(512)[i], i == 17 ? 1.0 : 0.0) << i;
    }
}

TEST(VariableRateKernelTest, EveryPhasePassesDirectCurrentNearlyUnchanged) {
    const auto& kernel = VariableRateKernel::instance();
    for (int p = 0; p <= 512; ++p) {
        double gain = 0.0;
        for (int i = 0; i < 33; ++i)
            gain += kernel.phase(p)[i];
        EXPECT_NEAR(gain, 1.0, 2e-3) << "phase " << p;
    }
}

TEST(VariableRateSamplerateConverterTest, MatchesTheFormulaExactly) {
    for (double step : {0.91875, 48000.0 / 44100.0, 0.5, 2.0, 44100.0 / 96000.0}) {
        const auto in16 = noise(3000, 20000, 1);
        const auto ref16 = evaluate(in16, step, -32768, 32767);
        Converter16 c16(step);
        EXPECT_EQ(run<short>(c16, in16, {in16.size()}), ref16.samples) << step;

        const auto in24 = noise(3000, 5000000, 2);
        const auto ref24 = evaluate(in24, step, -8388608, 8388607);
        Converter24 c24(step);
        EXPECT_EQ(run<Int24>(c24, in24, {in24.size()}), ref24.samples) << step;
    }
}

TEST(VariableRateSamplerateConverterTest, ClampsOvershootAndTruncatesTowardZero) {
    // A full-scale square wave rings past full scale on both sides after interpolation.
    std::vector<std::int32_t> in;
    for (int period = 0; period < 40; ++period) {
        in.insert(in.end(), 7, 32767);
        in.insert(in.end(), 7, -32768);
    }
    const double step = 0.91875;
    const auto ref = evaluate(in, step, -32768, 32767);
    ASSERT_GT(*std::max_element(ref.sums.begin(), ref.sums.end()), 32768.0);
    ASSERT_LT(*std::min_element(ref.sums.begin(), ref.sums.end()), -32769.0);
    Converter16 converter(step);
    const auto out = run<short>(converter, in, randomSplit(in.size(), 50, 3));
    ASSERT_EQ(out.size(), ref.samples.size());
    for (std::size_t k = 0; k < out.size(); ++k) {
        const double clamped = std::clamp(ref.sums[k], -32768.0, 32767.0);
        EXPECT_EQ(out[k], std::trunc(clamped)) << k;
    }
}

TEST(VariableRateSamplerateConverterTest, StepOnePassesSamplesThroughWhateverTheBlocks) {
    const auto in = noise(5000, 8388608 - 1, 4);
    for (unsigned seed = 0; seed < 5; ++seed) {
        Converter24 converter(1.0);
        const auto out = run<Int24>(converter, in, randomSplit(in.size(), 40 + 30 * seed, seed));
        ASSERT_GE(out.size(), in.size() - 32);
        EXPECT_TRUE(std::equal(out.begin(), out.end(), in.begin()));
    }
}

TEST(VariableRateSamplerateConverterTest, BlockSplitsOnlyMoveRounding) {
    const auto in = noise(20000, 30000, 5);
    for (double step : {0.5, 0.75, 1.5, 3.0, 0.91875, 48000.0 / 44100.0, 44100.0 / 8000.0}) {
        Converter16 whole(step);
        const auto expected = run<short>(whole, in, {in.size()});
        for (std::size_t maxBlock : {3u, 33u, 64u, 700u}) {
            Converter16 split(step);
            const auto out = run<short>(split, in, randomSplit(in.size(), maxBlock, 6));
            ASSERT_EQ(out.size(), expected.size()) << step << " " << maxBlock;
            // Binary fractions walk the same positions however the blocks fall; other steps
            // may round a position differently, which moves an output by a step at most.
            const bool exact = step * 4.0 == std::trunc(step * 4.0);
            for (std::size_t k = 0; k < out.size(); ++k) {
                if (exact)
                    ASSERT_EQ(out[k], expected[k]) << step << " " << maxBlock << " " << k;
                else
                    ASSERT_NEAR(out[k], expected[k], 1) << step << " " << maxBlock << " " << k;
            }
        }
    }
}

TEST(VariableRateSamplerateConverterTest, OutputKeepsTheStepRatioOverALongRun) {
    for (const auto& [inRate, outRate] : {std::pair{44100.0, 48000.0}, {48000.0, 44100.0}}) {
        const double step = inRate / outRate;
        Converter16 converter(step);
        const double lead = step * static_cast<double>((converter.pendingCapacity() + 1) / 2);
        std::vector<short> block(441);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<short>(10000 * std::sin(0.05 * static_cast<double>(i)));
        std::vector<short> dst(Converter16::maxOutput(block.size(), step));
        std::uint64_t consumed = 0;
        std::uint64_t produced = 0;
        for (int b = 0; b < 6000; ++b) {  // one minute of input
            std::size_t n = 0;
            converter.convert(block.data(), block.size(), dst.data(), n);
            consumed += block.size();
            produced += n;
            // Outputs are complete once their window of 33 inputs has arrived; an output right
            // at the edge may round either way, but the count never drifts.
            const double expected = (static_cast<double>(consumed) - 32.0 + lead) / step;
            ASSERT_NEAR(static_cast<double>(produced), expected, 1.5) << "block " << b;
        }
    }
}

// Steps the converter meets (44.1 and 48 kHz families both ways), steps whose four-output groups
// need the widest run the padding allows, and steps too wide for the vector path.
const double kSteps[] = {44100.0 / 48000.0,
                         48000.0 / 44100.0,
                         44100.0 / 96000.0,
                         96000.0 / 44100.0,
                         88200.0 / 48000.0,
                         0.5,
                         1.0,
                         2.0,
                         2.3,
                         3.0,
                         0.3183098861837907,
                         44100.0 / 8000.0};

TEST(VariableRateSamplerateConverterTest, MatchesThePlainAlgorithmBitForBitOnEveryPath) {
    const auto in16 = noise(6000, 32768, 7);
    const auto in24 = noise(6000, 8388608, 8);
    for (auto path : {VariableRateWindowSums::Path::Portable, VariableRateWindowSums::Path::Avx2}) {
        for (double step : kSteps) {
            for (std::size_t maxBlock : {1u, 7u, 40u, 256u, 3000u}) {
                const auto blocks = randomSplit(in16.size(), maxBlock, 9 + maxBlock);
                runAgainstPlain<short>(step, path, in16, blocks);
                runAgainstPlain<Int24>(step, path, in24, blocks);
            }
            // One block longer than the converter's input buffer.
            runAgainstPlain<short>(step, path, in16, {in16.size()});
        }
    }
}

TEST(VariableRateSamplerateConverterTest, VectorAndPortablePathsGiveTheSameOutput) {
    if (!VariableRateWindowSums::avx2Supported()) GTEST_SKIP() << "no AVX2 on this processor";
    const auto in = noise(40000, 32768, 10);
    for (double step : kSteps) {
        for (std::size_t maxBlock : {5u, 64u, 256u, 1024u, 5000u}) {
            const auto blocks = randomSplit(in.size(), maxBlock, 11 + maxBlock);
            Converter16 vector(step);
            vector.setPath(VariableRateWindowSums::Path::Avx2);
            Converter16 portable(step);
            portable.setPath(VariableRateWindowSums::Path::Portable);
            const auto a = run<short>(vector, in, blocks);
            const auto b = run<short>(portable, in, blocks);
            ASSERT_EQ(a.size(), b.size()) << step << " " << maxBlock;
            ASSERT_GT(a.size(), in.size() / step / 2) << step << " " << maxBlock;
            for (std::size_t k = 0; k < a.size(); ++k)
                ASSERT_EQ(a[k], b[k]) << step << " " << maxBlock << " output " << k;
            EXPECT_EQ(vector.pendingCount(), portable.pendingCount());
            EXPECT_EQ(vector.position(), portable.position());
        }
    }
}

TEST(VariableRateSamplerateConverterTest, RepeatingStepsShareARowTable) {
    // 44.1 and 48 kHz repeat their phases every 160 or 147 outputs: the vector path reads their
    // rows from one prepared table, which converters of the same step share.
    for (double step : {44100.0 / 48000.0, 48000.0 / 44100.0}) {
        Converter16 a(step);
        Converter24 b(step);
        const int spread = static_cast<int>(std::floor(3.0 * step)) + 1;
        const auto table = VariableRateWindowSums::groupTable(step, a.position(), spread);
        ASSERT_NE(table, nullptr) << step;
        EXPECT_EQ(table, VariableRateWindowSums::groupTable(step, b.position(), spread));
    }
    // A step that does not repeat gets none.
    Converter16 c(0.3183098861837907);
    EXPECT_EQ(VariableRateWindowSums::groupTable(0.3183098861837907, c.position(), 1), nullptr);
}

}  // namespace
}  // namespace qmt
