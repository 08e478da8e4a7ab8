#pragma once
// Which converter a pin channel gets, from the hardware rate, the host (ASIO) rate and the
// buffer frames, on the capture and on the render side.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "asio/InputSamplerateConverterIf.h"
#include "asio/OutputSamplerateConverterIf.h"

namespace qmt {

enum class SamplerateConversionSide { Capture, Render };

enum class SamplerateConversionKind { None, IntegerUp, IntegerDown, VariableRate };

struct SamplerateConversionPlan {
    SamplerateConversionKind kind = SamplerateConversionKind::None;
    std::uint32_t factor = 1;        // integer converters
    double step = 1.0;               // variable rate: input samples per output sample
    std::size_t hardwareFrames = 0;  // C: hardware frames per ASIO buffer at most
};

// The selection table. hardwareRate is compared with the host rate truncated to an integer;
// equal rates, a zero rate or zero buffer frames need (and get) no converter.
SamplerateConversionPlan selectSamplerateConversion(SamplerateConversionSide side,
                                                    std::uint32_t hardwareRate, double asioRate,
                                                    std::size_t bufferFrames);

// The capture adapter for one pin channel, or null when no conversion is needed or the ASIO
// sample width is neither 16 nor 24 bits.
std::unique_ptr<InputSamplerateConverterIf> createInputSamplerateConverter(
    std::uint32_t hardwareRate, double asioRate, std::size_t bufferFrames, int asioBits);

// The render adapter for one pin channel, or null as above.
std::unique_ptr<OutputSamplerateConverterIf> createOutputSamplerateConverter(
    std::uint32_t hardwareRate, double asioRate, std::size_t bufferFrames, int asioBits);

}  // namespace qmt
