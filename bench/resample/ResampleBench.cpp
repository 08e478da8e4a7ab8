// Throughput of our converters against libsamplerate, soxr and speexdsp: one channel, blocks
// of 256 input samples, 16- and 24-bit samples. items_per_second is input samples per second.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "asio/VariableRateSamplerateConverter.h"
#include "bench/resample/LibraryResampler.h"

namespace {

using namespace qmt;
using namespace qmt::bench;

constexpr std::size_t kBlock = 256;
constexpr std::size_t kSignal = 48000;  // one second of music-like input, cycled

template <typename T>
std::vector<T> signal() {
    std::vector<T> s(kSignal);
    const double full = sizeof(T) == 2 ? 32767.0 : 8388607.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / 48000.0;
        const double v = 0.5 * std::sin(2 * std::numbers::pi * 440 * t) +
                         0.3 * std::sin(2 * std::numbers::pi * 5300 * t);
        s[i] = T(static_cast<std::int32_t>(v * full));
    }
    return s;
}

template <typename T>
void run(benchmark::State& state, const std::string& name, double inRate, double outRate) {
    constexpr int bits = sizeof(T) == 2 ? 16 : 24;
    auto resampler = makeResampler(name, inRate, outRate, bits);
    const auto in = signal<T>();
    std::vector<T> out(kBlock * 8);
    std::size_t at = 0;
    for (auto _ : state) {
        std::size_t written = 0;
        if constexpr (bits == 16)
            written = resampler->process16(in.data() + at, kBlock, out.data(), out.size());
        else
            written = resampler->process24(in.data() + at, kBlock, out.data(), out.size());
        benchmark::DoNotOptimize(written);
        benchmark::ClobberMemory();
        at = (at + kBlock) % (kSignal - kBlock);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

// The variable-rate converter held to its portable multiply-add path, as on a processor
// without AVX2, to show what the vector path gains.
template <typename T>
void runPortable(benchmark::State& state, double inRate, double outRate) {
    VariableRateSamplerateConverterFor<T> converter(inRate / outRate);
    converter.setPath(VariableRateWindowSums::Path::Portable);
    const auto in = signal<T>();
    std::vector<T> out(decltype(converter)::maxOutput(kBlock, converter.step()));
    std::size_t at = 0;
    for (auto _ : state) {
        std::size_t written = 0;
        converter.convert(in.data() + at, kBlock, out.data(), written);
        benchmark::DoNotOptimize(written);
        benchmark::ClobberMemory();
        at = (at + kBlock) % (kSignal - kBlock);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

struct Conversion {
    const char* label;
    double in;
    double out;
};

const Conversion kConversions[] = {
    {"44100to48000", 44100, 48000},
    {"48000to44100", 48000, 44100},
    {"48000to96000", 48000, 96000},
    {"96000to48000", 96000, 48000},
};

int registerAll() {
    for (const auto& c : kConversions) {
        for (const auto& name : resamplerNames()) {
            benchmark::RegisterBenchmark(
                (std::string(c.label) + "/16/" + name).c_str(),
                [=](benchmark::State& s) { run<short>(s, name, c.in, c.out); });
            benchmark::RegisterBenchmark(
                (std::string(c.label) + "/24/" + name).c_str(),
                [=](benchmark::State& s) { run<Int24>(s, name, c.in, c.out); });
        }
        const double down = c.in / c.out;
        const double up = c.out / c.in;
        if (down != std::trunc(down) && up != std::trunc(up)) {
            benchmark::RegisterBenchmark(
                (std::string(c.label) + "/16/ours-portable").c_str(),
                [=](benchmark::State& s) { runPortable<short>(s, c.in, c.out); });
            benchmark::RegisterBenchmark(
                (std::string(c.label) + "/24/ours-portable").c_str(),
                [=](benchmark::State& s) { runPortable<Int24>(s, c.in, c.out); });
        }
    }
    return 0;
}

const int registered = registerAll();

}  // namespace

BENCHMARK_MAIN();
