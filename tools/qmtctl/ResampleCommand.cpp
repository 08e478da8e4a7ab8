// qmtctl resample: runs one channel of raw samples through a sample-rate converter, block by
// block, the way the audio driver feeds it, so converters can be checked from the shell.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "asio/Int24.h"
#include "asio/IntegerDownSamplerateConverter.h"
#include "asio/IntegerUpSamplerateConverter.h"
#include "asio/VariableRateSamplerateConverter.h"
#include "tools/qmtctl/Command.h"

namespace {

using namespace qmt;
using namespace qmt::ctl;

constexpr const char* kUsage =
    "resample --converter up|down|variable --bits 16|24 (--factor K | --step X) [--block N]\n"
    "    converts raw little-endian signed mono samples from standard input to standard output";

constexpr std::size_t kDefaultBlock = 256;
constexpr std::size_t kMaxBlock = 1 << 20;

struct Options {
    std::string converter;
    int bits = 0;
    std::optional<std::uint32_t> factor;
    std::optional<double> step;
    std::size_t block = kDefaultBlock;
};

int usageError(const std::string& message) {
    std::fprintf(stderr, "qmtctl resample: %s\nusage: qmtctl %s\n", message.c_str(), kUsage);
    return kExitUsage;
}

template <typename N>
bool parseInteger(const std::string& text, N& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool parseDecimal(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

// Returns an empty string when the option was taken, else the complaint.
std::string takeOption(Options& options, const std::string& name, const std::string& value) {
    if (name == "--converter") {
        if (value != "up" && value != "down" && value != "variable")
            return "unknown converter '" + value + "' (up, down or variable)";
        options.converter = value;
    } else if (name == "--bits") {
        if (value != "16" && value != "24") return "bits must be 16 or 24";
        options.bits = value == "16" ? 16 : 24;
    } else if (name == "--factor") {
        std::uint32_t factor = 0;
        if (!parseInteger(value, factor) || factor < 1 ||
            factor > IntegerUpSamplerateConverter<short>::kMaxFactor)
            return "factor must be a whole number from 1 to 256";
        options.factor = factor;
    } else if (name == "--step") {
        double step = 0;
        if (!parseDecimal(value, step) ||
            !VariableRateSamplerateConverterFor<short>::isValidStep(step))
            return "step must be a decimal number from 0.00390625 to 256";
        options.step = step;
    } else if (name == "--block") {
        std::size_t block = 0;
        if (!parseInteger(value, block) || block < 1 || block > kMaxBlock)
            return "block must be a whole number from 1 to 1048576";
        options.block = block;
    } else {
        return "unknown option '" + name + "'";
    }
    return {};
}

std::string parse(std::span<const std::string> args, Options& options) {
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return "option '" + args[i] + "' needs a value";
        auto complaint = takeOption(options, args[i], args[i + 1]);
        if (!complaint.empty()) return complaint;
    }
    if (options.converter.empty()) return "--converter is required";
    if (options.bits == 0) return "--bits is required";
    const bool variable = options.converter == "variable";
    if (variable && options.factor) return "--factor goes with up and down, not variable";
    if (!variable && options.step) return "--step goes with variable, not up or down";
    if (variable && !options.step) return "--step is required with variable";
    if (!variable && !options.factor) return "--factor is required with up and down";
    return {};
}

// Samples travel little-endian whatever the machine; these move them in and out of bytes.
void decode(const unsigned char* bytes, short& sample) {
    sample = static_cast<short>(static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)));
}
void decode(const unsigned char* bytes, Int24& sample) {
    sample.bytes[0] = bytes[0];
    sample.bytes[1] = bytes[1];
    sample.bytes[2] = bytes[2];
}
void encode(short sample, unsigned char* bytes) {
    const auto raw = static_cast<std::uint16_t>(sample);
    bytes[0] = static_cast<unsigned char>(raw);
    bytes[1] = static_cast<unsigned char>(raw >> 8);
}
void encode(const Int24& sample, unsigned char* bytes) {
    bytes[0] = sample.bytes[0];
    bytes[1] = sample.bytes[1];
    bytes[2] = sample.bytes[2];
}

template <typename T>
std::unique_ptr<SamplerateConverterIf<T>> makeConverter(const Options& options,
                                                        std::size_t& maxOutput) {
    if (options.converter == "up") {
        maxOutput = options.block * *options.factor;
        return std::make_unique<IntegerUpSamplerateConverter<T>>(*options.factor);
    }
    if (options.converter == "down") {
        maxOutput = options.block / *options.factor + 1;
        return std::make_unique<IntegerDownSamplerateConverter<T>>(*options.factor);
    }
    maxOutput = VariableRateSamplerateConverterFor<T>::maxOutput(options.block, *options.step);
    return std::make_unique<VariableRateSamplerateConverterFor<T>>(*options.step);
}

// Fills buffer from standard input as far as it can; returns the bytes read.
std::size_t readFully(unsigned char* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const std::size_t n = std::fread(buffer + got, 1, size - got, stdin);
        if (n == 0) break;
        got += n;
    }
    return got;
}

template <typename T>
int run(const Options& options) {
    constexpr std::size_t kBytes = sizeof(T) == 2 ? 2 : 3;
    std::size_t maxOutput = 0;
    auto converter = makeConverter<T>(options, maxOutput);
    std::vector<unsigned char> inBytes(options.block * kBytes);
    std::vector<unsigned char> outBytes(maxOutput * kBytes);
    std::vector<T> in(options.block);
    std::vector<T> out(maxOutput);
    while (true) {
        const std::size_t got = readFully(inBytes.data(), inBytes.size());
        const std::size_t count = got / kBytes;
        for (std::size_t i = 0; i < count; ++i)
            decode(&inBytes[i * kBytes], in[i]);
        std::size_t produced = 0;
        if (count > 0) converter->convert(in.data(), count, out.data(), produced);
        for (std::size_t i = 0; i < produced; ++i)
            encode(out[i], &outBytes[i * kBytes]);
        if (std::fwrite(outBytes.data(), 1, produced * kBytes, stdout) != produced * kBytes) {
            std::fprintf(stderr, "qmtctl resample: cannot write the output\n");
            return kExitInvalid;
        }
        if (got % kBytes != 0) {
            std::fprintf(stderr,
                         "qmtctl resample: the input ends inside a sample (%zu stray bytes)\n",
                         got % kBytes);
            return kExitInvalid;
        }
        if (got < inBytes.size()) break;
    }
    if (std::ferror(stdin)) {
        std::fprintf(stderr, "qmtctl resample: cannot read the input\n");
        return kExitInvalid;
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitInvalid;
}

int Run(std::span<const std::string> args) {
    Options options;
    const auto complaint = parse(args, options);
    if (!complaint.empty()) return usageError(complaint);
    return options.bits == 16 ? run<short>(options) : run<Int24>(options);
}

CommandRegistration reg{{"resample", kUsage, &Run}};

}  // namespace
