// Measures the quality of our converters and of libsamplerate, soxr and speexdsp on the same
// conversions, and prints one Markdown table:
//   SINAD   signal to noise and distortion of a 1 kHz sine at -1 dBFS (16- and 24-bit samples)
//   ripple  spread of the gain of sines from 20 Hz to 18 kHz
//   stopband  how far below the tone its aliases (down) or images (up) are; the worst one
// Every resampler is fed blocks of 256 samples, as the benchmark and the driver do.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "bench/resample/LibraryResampler.h"

namespace {

using namespace qmt;
using namespace qmt::bench;

constexpr std::size_t kBlock = 256;
constexpr std::size_t kSkip = 8192;      // output samples left for start-up transients
constexpr std::size_t kMeasure = 16384;  // output samples analysed

struct Conversion {
    const char* label;
    double in;
    double out;
    std::vector<double> stopTones;  // input tones whose aliases or images are measured
};

// Least-squares fit of a cos + b sin + c at one frequency; returns the amplitude.
double amplitudeAt(const std::vector<double>& x, double frequency, double rate,
                   double* residualPower = nullptr) {
    const double w = 2 * std::numbers::pi * frequency / rate;
    std::array<std::array<double, 3>, 3> m{};
    std::array<double, 3> v{};
    for (std::size_t n = 0; n < x.size(); ++n) {
        const std::array<double, 3> basis{std::cos(w * static_cast<double>(n)),
                                          std::sin(w * static_cast<double>(n)), 1.0};
        for (int i = 0; i < 3; ++i) {
            v[i] += basis[i] * x[n];
            for (int j = 0; j < 3; ++j)
                m[i][j] += basis[i] * basis[j];
        }
    }
    // Gaussian elimination on the 3x3 normal equations.
    for (int i = 0; i < 3; ++i) {
        for (int k = i + 1; k < 3; ++k) {
            const double f = m[k][i] / m[i][i];
            for (int j = i; j < 3; ++j)
                m[k][j] -= f * m[i][j];
            v[k] -= f * v[i];
        }
    }
    std::array<double, 3> c{};
    for (int i = 2; i >= 0; --i) {
        double s = v[i];
        for (int j = i + 1; j < 3; ++j)
            s -= m[i][j] * c[j];
        c[i] = s / m[i][i];
    }
    if (residualPower) {
        double r = 0;
        for (std::size_t n = 0; n < x.size(); ++n) {
            const double fit = c[0] * std::cos(w * static_cast<double>(n)) +
                               c[1] * std::sin(w * static_cast<double>(n)) + c[2];
            r += (x[n] - fit) * (x[n] - fit);
        }
        *residualPower = r / static_cast<double>(x.size());
    }
    return std::hypot(c[0], c[1]);
}

// Converts a sine of the given frequency and level (fraction of full scale) and returns the
// analysed stretch of output, scaled to full scale 1.
std::vector<double> convertSine(const std::string& name, const Conversion& c, int bits,
                                double frequency, double level) {
    auto resampler = makeResampler(name, c.in, c.out, bits);
    const double full = bits == 16 ? 32767.0 : 8388607.0;
    const auto inCount =
        static_cast<std::size_t>(static_cast<double>(kSkip + kMeasure) * c.in / c.out) + 8 * kBlock;
    std::vector<double> out;
    std::vector<short> in16(kBlock), out16(kBlock * 8);
    std::vector<Int24> in24(kBlock), out24(kBlock * 8);
    for (std::size_t at = 0; at < inCount && out.size() < kSkip + kMeasure; at += kBlock) {
        for (std::size_t i = 0; i < kBlock; ++i) {
            const double t = static_cast<double>(at + i) / c.in;
            const auto v = static_cast<std::int32_t>(
                std::lround(level * full * std::sin(2 * std::numbers::pi * frequency * t)));
            in16[i] = static_cast<short>(v);
            in24[i] = Int24(v);
        }
        if (bits == 16) {
            const auto m = resampler->process16(in16.data(), kBlock, out16.data(), out16.size());
            for (std::size_t i = 0; i < m; ++i)
                out.push_back(out16[i] / full);
        } else {
            const auto m = resampler->process24(in24.data(), kBlock, out24.data(), out24.size());
            for (std::size_t i = 0; i < m; ++i)
                out.push_back(static_cast<std::int32_t>(out24[i]) / full);
        }
    }
    if (out.size() < kSkip + kMeasure) return {};
    return {out.begin() + kSkip, out.begin() + kSkip + kMeasure};
}

double sinad(const std::string& name, const Conversion& c, int bits) {
    const double level = std::pow(10.0, -1.0 / 20.0);
    const auto y = convertSine(name, c, bits, 1000.0, level);
    if (y.empty()) return NAN;
    double residual = 0;
    const double a = amplitudeAt(y, 1000.0, c.out, &residual);
    return 10 * std::log10((a * a / 2) / residual);
}

double ripple(const std::string& name, const Conversion& c) {
    double lo = 1e9, hi = -1e9;
    for (double f = 20.0; f <= 18000.0; f += (f < 1000 ? 490.0 : 500.0)) {
        const auto y = convertSine(name, c, 24, f, 0.5);
        if (y.empty()) return NAN;
        const double db = 20 * std::log10(amplitudeAt(y, f, c.out) / 0.5);
        lo = std::min(lo, db);
        hi = std::max(hi, db);
    }
    return hi - lo;
}

// A tone above the output's Nyquist frequency (down) folds to out - f; a tone below the
// input's Nyquist frequency (up) has its image at in - f.
double stopband(const std::string& name, const Conversion& c) {
    double worst = -1e9;
    for (double f : c.stopTones) {
        const double unwanted = c.out < c.in ? c.out - f : c.in - f;
        const auto y = convertSine(name, c, 24, f, 0.5);
        if (y.empty()) return NAN;
        worst = std::max(worst, 20 * std::log10(amplitudeAt(y, unwanted, c.out) / 0.5 + 1e-12));
    }
    return -worst;
}

}  // namespace

int main() {
    const std::vector<Conversion> conversions{
        {"44100 → 48000", 44100, 48000, {20500, 21000, 21500, 21900}},
        {"48000 → 44100", 48000, 44100, {22500, 23000, 23500}},
        {"48000 → 96000", 48000, 96000, {1000, 6000, 12000, 18000, 22000}},
        {"96000 → 48000", 96000, 48000, {26000, 30000, 36000, 42000, 46000}},
    };
    std::printf(
        "| conversion | converter | SINAD 16-bit (dB) | SINAD 24-bit (dB) | "
        "ripple to 18 kHz (dB) | stopband rejection (dB) |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const auto& c : conversions) {
        for (const auto& name : resamplerNames()) {
            std::printf("| %s | %s | %.1f | %.1f | %.3f | %.1f |\n", c.label, name.c_str(),
                        sinad(name, c, 16), sinad(name, c, 24), ripple(name, c), stopband(name, c));
            std::fflush(stdout);
        }
    }
    return 0;
}
