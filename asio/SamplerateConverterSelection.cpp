#include "asio/SamplerateConverterSelection.h"

#include <cmath>

#include "asio/Int24.h"
#include "asio/IntegerDownInputSamplerateConversionAdapter.h"
#include "asio/IntegerDownOutputSamplerateConversionAdapter.h"
#include "asio/IntegerUpInputSamplerateConversionAdapter.h"
#include "asio/IntegerUpOutputSamplerateConversionAdapter.h"
#include "asio/VariableRateInputSamplerateConversionAdapter.h"
#include "asio/VariableRateOutputSamplerateConversionAdapter.h"

namespace qmt {

namespace {

using Kind = SamplerateConversionKind;

std::size_t ceilDiv(std::size_t a, std::size_t b) {
    return (a + b - 1) / b;
}

std::size_t ceilTimes(std::size_t frames, double step) {
    return static_cast<std::size_t>(std::ceil(static_cast<double>(frames) * step));
}

std::size_t ceilOver(std::size_t frames, double step) {
    return static_cast<std::size_t>(std::ceil(static_cast<double>(frames) / step));
}

SamplerateConversionPlan integerPlan(Kind kind, std::uint32_t factor, std::size_t frames) {
    SamplerateConversionPlan plan;
    plan.kind = kind;
    plan.factor = factor;
    plan.hardwareFrames = frames;
    return plan;
}

SamplerateConversionPlan variablePlan(double step, std::size_t frames) {
    SamplerateConversionPlan plan;
    plan.kind = Kind::VariableRate;
    plan.step = step;
    plan.hardwareFrames = frames;
    return plan;
}

// Ratios the converters do not take (beyond 256 either way) get no converter rather than a
// wrong one.
bool usable(const SamplerateConversionPlan& plan) {
    if (plan.kind == Kind::VariableRate)
        return VariableRateSamplerateConverterFor<short>::isValidStep(plan.step);
    return plan.factor <= IntegerUpSamplerateConverter<short>::kMaxFactor;
}

template <typename T>
std::unique_ptr<InputSamplerateConverterIf> makeInput(const SamplerateConversionPlan& plan,
                                                      std::size_t bufferFrames) {
    const std::size_t c = plan.hardwareFrames;
    switch (plan.kind) {
        case Kind::IntegerUp:
            return std::make_unique<IntegerUpInputSamplerateConversionAdapter<T>>(plan.factor,
                                                                                  bufferFrames, c);
        case Kind::IntegerDown:
            return std::make_unique<IntegerDownInputSamplerateConversionAdapter<T>>(
                plan.factor, bufferFrames, c);
        case Kind::VariableRate:
            return std::make_unique<VariableRateInputSamplerateConversionAdapter<T>>(
                plan.step, bufferFrames, c);
        case Kind::None:
            break;
    }
    return nullptr;
}

template <typename T>
std::unique_ptr<OutputSamplerateConverterIf> makeOutput(const SamplerateConversionPlan& plan,
                                                        std::size_t bufferFrames) {
    const std::size_t c = plan.hardwareFrames;
    switch (plan.kind) {
        case Kind::IntegerUp:
            return std::make_unique<IntegerUpOutputSamplerateConversionAdapter<T>>(plan.factor,
                                                                                   bufferFrames, c);
        case Kind::IntegerDown:
            return std::make_unique<IntegerDownOutputSamplerateConversionAdapter<T>>(
                plan.factor, bufferFrames, c);
        case Kind::VariableRate:
            return std::make_unique<VariableRateOutputSamplerateConversionAdapter<T>>(
                plan.step, bufferFrames, c);
        case Kind::None:
            break;
    }
    return nullptr;
}

}  // namespace

SamplerateConversionPlan selectSamplerateConversion(SamplerateConversionSide side,
                                                    std::uint32_t hardwareRate, double asioRate,
                                                    std::size_t bufferFrames) {
    if (!(asioRate >= 1.0) || !std::isfinite(asioRate) || hardwareRate == 0 || bufferFrames == 0)
        return {};
    const double truncated = std::trunc(asioRate);
    if (truncated > 4294967295.0) return {};
    const auto h = hardwareRate;
    const auto a = static_cast<std::uint32_t>(truncated);
    const std::size_t b = bufferFrames;
    SamplerateConversionPlan plan;
    if (h == a) return plan;
    const bool capture = side == SamplerateConversionSide::Capture;
    if (h < a && a % h == 0) {
        const std::uint32_t k = a / h;
        plan = capture ? integerPlan(Kind::IntegerUp, k, ceilDiv(b, k))
                       : integerPlan(Kind::IntegerDown, k, ceilDiv(b, k));
    } else if (h > a && h % a == 0) {
        const std::uint32_t k = h / a;
        plan = capture ? integerPlan(Kind::IntegerDown, k, b * k)
                       : integerPlan(Kind::IntegerUp, k, b * k);
    } else if (capture) {
        const double step = static_cast<double>(h) / asioRate;
        // Two samples more than a buffer: the reads ask for one in reserve, and what a read
        // brings may fall one short of its share.
        plan = variablePlan(step, ceilTimes(b + 2, step));
    } else {
        const double step = asioRate / static_cast<double>(h);
        plan = variablePlan(step, ceilOver(b, step));
    }
    return usable(plan) ? plan : SamplerateConversionPlan{};
}

std::unique_ptr<InputSamplerateConverterIf> createInputSamplerateConverter(
    std::uint32_t hardwareRate, double asioRate, std::size_t bufferFrames, int asioBits) {
    const auto plan = selectSamplerateConversion(SamplerateConversionSide::Capture, hardwareRate,
                                                 asioRate, bufferFrames);
    if (asioBits == 16) return makeInput<short>(plan, bufferFrames);
    if (asioBits == 24) return makeInput<Int24>(plan, bufferFrames);
    return nullptr;
}

std::unique_ptr<OutputSamplerateConverterIf> createOutputSamplerateConverter(
    std::uint32_t hardwareRate, double asioRate, std::size_t bufferFrames, int asioBits) {
    const auto plan = selectSamplerateConversion(SamplerateConversionSide::Render, hardwareRate,
                                                 asioRate, bufferFrames);
    if (asioBits == 16) return makeOutput<short>(plan, bufferFrames);
    if (asioBits == 24) return makeOutput<Int24>(plan, bufferFrames);
    return nullptr;
}

}  // namespace qmt
