// The multiply-add paths of the variable-rate converter against a plain tap-by-tap sum, compared
// as doubles: after truncation to samples a reordered sum would almost never show, so the sums
// themselves must match bit for bit.

#include "asio/VariableRateWindowSums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "asio/VariableRateKernel.h"

namespace qmt {
namespace {

using Path = VariableRateWindowSums::Path;

struct Outputs {
    std::vector<std::int64_t> first;
    std::vector<std::int32_t> phase;
    std::vector<double> start;
};

// Integer-valued inputs, like converted samples, with a margin of zeros a run may read into.
std::vector<double> input(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int32_t> value(-8388608, 8388607);
    std::vector<double> x(count + 64, 0.0);
    for (std::size_t i = 0; i < count; ++i)
        x[i] = value(rng);
    return x;
}

// Outputs every step apart from start, like a converter walks them; some carry a partial sum.
Outputs walk(double step, double start, std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> partial(-1e6, 1e6);
    Outputs o;
    double q = start;
    for (std::size_t k = 0; k < count; ++k, q += step) {
        const auto at = VariableRateWindowSums::locate(q);
        o.first.push_back(at.index - static_cast<std::int64_t>(std::floor(start)));
        o.phase.push_back(at.phase);
        o.start.push_back(k % 5 == 0 ? partial(rng) : 0.0);
    }
    return o;
}

std::vector<double> plainSums(const std::vector<double>& x, const Outputs& o) {
    const auto& kernel = VariableRateKernel::instance();
    std::vector<double> sums;
    for (std::size_t k = 0; k < o.first.size(); ++k) {
        const double* row = kernel.phase(o.phase[k]);
        double s = o.start[k];
        for (int t = 0; t < VariableRateKernel::kTaps; ++t)
            s += x[static_cast<std::size_t>(o.first[k] + t)] * row[t];
        sums.push_back(s);
    }
    return sums;
}

std::vector<double> pathSums(Path path, const std::vector<double>& x, const Outputs& o,
                             int spreadLimit, const VariableRateWindowSums::GroupTable* table) {
    std::vector<double> sums = o.start;
    const VariableRateWindowSums::Run run{x.data(),    0,           o.first.data(), o.phase.data(),
                                          sums.data(), sums.size(), spreadLimit,    table};
    VariableRateWindowSums::accumulate(path, run);
    return sums;
}

void expectSameSums(const std::vector<double>& a, const std::vector<double>& b, double step) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k)
        ASSERT_EQ(a[k], b[k]) << "step " << step << " output " << k;
}

TEST(VariableRateWindowSumsTest, PaddedRowsHoldTheKernelBetweenZeros) {
    const auto& kernel = VariableRateKernel::instance();
    for (int p = 0; p < VariableRateKernel::kPhases; ++p) {
        const double* row = kernel.paddedPhase(p);
        for (int t = -VariableRateKernel::kPad;
             t < VariableRateKernel::kTaps + VariableRateKernel::kPad; ++t) {
            const double expected =
                t >= 0 && t < VariableRateKernel::kTaps ? kernel.phase(p)[t] : 0.0;
            ASSERT_EQ(row[t], expected) << "phase " << p << " tap " << t;
        }
    }
}

TEST(VariableRateWindowSumsTest, EveryPathAddsEachOutputsTapsInOrder) {
    const auto x = input(3000, 1);
    for (double step : {44100.0 / 48000.0, 48000.0 / 44100.0, 44100.0 / 96000.0, 96000.0 / 44100.0,
                        1.0, 2.3, 0.3183098861837907, 5.5}) {
        const int spread = static_cast<int>(std::floor(3.0 * step)) + 1;
        const double start = -step * 17;
        const auto table = VariableRateWindowSums::groupTable(step, start, spread);
        // Odd counts leave outputs outside any group of four.
        for (std::size_t count : {1u, 3u, 4u, 13u, 29u, 400u}) {
            if (static_cast<double>(count) * step > 2900.0) continue;
            const auto o = walk(step, start, count, 2);
            const auto expected = plainSums(x, o);
            expectSameSums(pathSums(Path::Portable, x, o, spread, nullptr), expected, step);
            expectSameSums(pathSums(Path::Avx2, x, o, spread, nullptr), expected, step);
            expectSameSums(pathSums(Path::Avx2, x, o, spread, table.get()), expected, step);
        }
    }
}

TEST(VariableRateWindowSumsTest, OutputsInAnyOrderStillGetTheirOwnSums) {
    // Groups of four whose indices are far apart or out of order cannot share a run; each
    // output must still get exactly its own sum.
    const auto x = input(3000, 3);
    std::mt19937 rng(4);
    std::uniform_int_distribution<std::int64_t> index(0, 2900);
    std::uniform_int_distribution<std::int32_t> phase(0, 512);
    Outputs o;
    for (int k = 0; k < 203; ++k) {
        o.first.push_back(k % 8 < 4 ? index(rng) : 1000 + k / 2);
        o.phase.push_back(phase(rng));
        o.start.push_back(k % 3 == 0 ? 12345.678 : 0.0);
    }
    const auto expected = plainSums(x, o);
    const double step = 44100.0 / 48000.0;
    const auto table = VariableRateWindowSums::groupTable(step, -step * 17, 3);
    for (int spread : {-1, 0, 3, 7, 8, 40}) {
        expectSameSums(pathSums(Path::Portable, x, o, spread, nullptr), expected, spread);
        expectSameSums(pathSums(Path::Avx2, x, o, spread, nullptr), expected, spread);
        expectSameSums(pathSums(Path::Avx2, x, o, spread, table.get()), expected, spread);
    }
}

TEST(VariableRateWindowSumsTest, LocatingRunsMatchesLocatingOneByOne) {
    // Runs start before the block and end at various indices, with steps that land exactly on
    // whole samples and half phases as well as ones that never do.
    for (Path path : {Path::Portable, Path::Avx2}) {
        for (double step : {44100.0 / 48000.0, 48000.0 / 44100.0, 0.5, 1.0, 1.0 / 1024.0, 3.3}) {
            for (double start : {-17.3, -2.2250738585072014e-308, 0.0, 0.999, 5.0}) {
                for (std::int64_t end : {-20, 0, 1, 7, 100, 1000}) {
                    for (std::size_t room : {0u, 1u, 3u, 4u, 5u, 64u, 3000u}) {
                        std::vector<std::int64_t> first(room);
                        std::vector<std::int32_t> phase(room);
                        double q = start;
                        const std::size_t n = VariableRateWindowSums::locateRun(
                            path, q, step, end, room, first.data(), phase.data());
                        double expected = start;
                        std::size_t k = 0;
                        for (; k < room; ++k, expected += step) {
                            const auto at = VariableRateWindowSums::locate(expected);
                            if (at.index >= end) break;
                            ASSERT_EQ(first[k], at.index) << step << " " << start << " " << k;
                            ASSERT_EQ(phase[k], at.phase) << step << " " << start << " " << k;
                        }
                        ASSERT_EQ(n, k) << step << " " << start << " " << end << " " << room;
                        ASSERT_EQ(q, expected) << step << " " << start << " " << end;
                    }
                }
            }
        }
    }
}

TEST(VariableRateWindowSumsTest, SamplesAreLimitedThenTruncatedOnEveryPath) {
    const std::vector<double> sums{0.0,      -0.0,     1.9,       -1.9,     32766.99,
                                   32767.0,  32767.5,  32768.0,   1e12,     -32768.0,
                                   -32768.7, -32769.0, -1e12,     0.49999,  -0.5,
                                   12345.5,  -12345.5, 8388607.9, -8388609, 3.0};
    for (Path path : {Path::Portable, Path::Avx2}) {
        for (std::size_t count : {sums.size(), sums.size() - 1, std::size_t{3}}) {
            std::vector<std::int32_t> out(count);
            VariableRateWindowSums::toSamples(path, sums.data(), count, -32768, 32767, out.data());
            for (std::size_t k = 0; k < count; ++k)
                EXPECT_EQ(out[k], static_cast<std::int32_t>(
                                      std::trunc(std::clamp(sums[k], -32768.0, 32767.0))))
                    << k;
        }
    }
    std::vector<std::int16_t> in{0, 1, -1, 32767, -32768, 12345, -12345};
    for (Path path : {Path::Portable, Path::Avx2}) {
        std::vector<double> out(in.size());
        VariableRateWindowSums::toDoubles(path, in.data(), in.size(), out.data());
        for (std::size_t k = 0; k < in.size(); ++k)
            EXPECT_EQ(out[k], in[k]);
    }
}

TEST(VariableRateWindowSumsTest, PackedSamplesRoundTripOnEveryPath) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<std::int32_t> value(-8388608, 8388607);
    for (Path path : {Path::Portable, Path::Avx2}) {
        for (std::size_t count : {0u, 1u, 5u, 6u, 7u, 64u, 101u}) {
            std::vector<std::int32_t> samples(count);
            for (auto& v : samples)
                v = value(rng);
            if (count > 1) {
                samples[0] = -8388608;
                samples[1] = 8388607;
            }
            // A guard byte after the packed samples must survive.
            std::vector<std::uint8_t> packed(3 * count + 1, 0xa5);
            VariableRateWindowSums::toPacked24(path, samples.data(), count, packed.data());
            ASSERT_EQ(packed.back(), 0xa5) << count;
            for (std::size_t k = 0; k < count; ++k) {
                const auto raw = static_cast<std::uint32_t>(samples[k]) & 0xffffff;
                ASSERT_EQ(packed[3 * k], raw & 0xff) << k;
                ASSERT_EQ(packed[3 * k + 1], (raw >> 8) & 0xff) << k;
                ASSERT_EQ(packed[3 * k + 2], raw >> 16) << k;
            }
            std::vector<double> back(count);
            VariableRateWindowSums::packed24ToDoubles(path, packed.data(), count, back.data());
            for (std::size_t k = 0; k < count; ++k)
                ASSERT_EQ(back[k], samples[k]) << count << " " << k;
        }
    }
}

}  // namespace
}  // namespace qmt
