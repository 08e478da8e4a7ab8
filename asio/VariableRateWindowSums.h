#pragma once
// The multiply-add work of the variable-rate converter: for a run of outputs, each one's 33
// taps applied to the input in tap order. A portable version and one that uses the AVX2 unit
// when the processor has it; both give every output exactly the same bits, because the vector
// version gives each output its own lane and adds that lane's products in the same order.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "asio/VariableRateKernel.h"

namespace qmt {

class VariableRateWindowSums {
  public:
    enum class Path { Portable, Avx2 };

    static bool avx2Supported();
    // The fastest path this processor runs.
    static Path bestPath();

    // Where an output falls: the input under tap 0 and the kernel row.
    struct Tap {
        std::int64_t index;
        int phase;
    };

    // floor and round-half-away-from-zero without library calls; both are exact for the
    // positions a converter walks.
    static Tap locate(double position) {
        auto index = static_cast<std::int64_t>(position);
        if (static_cast<double>(index) > position) --index;
        const double scaled =
            (position - static_cast<double>(index)) * VariableRateKernel::kPhaseSteps;
        int phase = static_cast<int>(scaled);
        if (scaled - phase >= 0.5) ++phase;
        return {index, phase};
    }

    // Locates the outputs from position q on, one step apart, while the input under tap 0 lies
    // below `end` and fewer than `room` are found: writes their first indices and phases,
    // returns how many, and leaves q at the first one not taken. Positions are added up one by
    // one exactly as a scalar walk would; only the rounding to index and phase is vectorised.
    static std::size_t locateRun(Path path, double& q, double step, std::int64_t end,
                                 std::size_t room, std::int64_t* first, std::int32_t* phase);

    // Samples from sums: each limited to [lo, hi] and truncated toward zero.
    static void toSamples(Path path, const double* sums, std::size_t count, std::int32_t lo,
                          std::int32_t hi, std::int32_t* out);

    // 16-bit samples as doubles.
    static void toDoubles(Path path, const std::int16_t* in, std::size_t count, double* out);
    // Packed 24-bit samples (three bytes each, low byte first) as doubles.
    static void packed24ToDoubles(Path path, const std::uint8_t* in, std::size_t count,
                                  double* out);
    // Samples already within the 24-bit range, packed as three bytes each, low byte first.
    static void toPacked24(Path path, const std::int32_t* in, std::size_t count, std::uint8_t* out);

    // The groups of four neighbouring outputs that a step produces over and over (a ratio of
    // two small whole numbers repeats the same phases), each with its four kernel rows laid
    // out lane by lane so that the vector path reads them without rearranging. One table
    // serves every converter of the same step; null when the step does not repeat soon.
    class GroupTable;
    // start: the position of the converter's first output. Takes a lock and may compute;
    // call it when a converter is made, never while streaming.
    static std::shared_ptr<const GroupTable> groupTable(double step, double start, int spreadLimit);

    struct Run {
        const double* x;            // the input, as doubles
        std::int64_t base;          // the input index x starts at
        const std::int64_t* first;  // per output, the input index under its tap 0
        const std::int32_t* phase;  // per output, its kernel row
        double* sums;               // per output, the sum to add to; receives the result
        std::size_t count;          // outputs
        // Outputs are summed four at a time over one common run of inputs when their first
        // indices lie within this many samples of each other; groups farther apart fall back
        // to one output at a time.
        int spreadLimit;
        const GroupTable* table;  // may be null
    };

    // For every output k < count, in tap order t = 0 ... 32:
    //     sums[k] += x[first[k] - base + t] * row(phase[k])[t]
    // x must hold finite values for inputs min(first) to max(first) + 33 +
    // VariableRateKernel::kPad.
    static void accumulate(Path path, const Run& run);
};

}  // namespace qmt
