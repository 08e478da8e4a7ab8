#include "asio/VariableRateWindowSums.h"

#include "asio/VariableRateWindowSumsDetail.h"

// Which path runs: the processor is asked once per call; the vector functions do the longest
// prefix they can and the portable loops below finish the rest.

namespace qmt {

using namespace window_sums;

std::size_t VariableRateWindowSums::locateRun(Path path, double& q, double step, std::int64_t end,
                                              std::size_t room, std::int64_t* first,
                                              std::int32_t* phase) {
    std::size_t n = 0;
#ifdef QMT_HAVE_AVX2_PATH
    if (path == Path::Avx2 && avx2Supported()) {
        n = locateAvx2(q, step, end, room, first, phase);
        // The last few, or all of them when the positions are out of the vector's range.
        if (n + 4 <= room && n > 0) return n;
    }
#endif
    (void)path;
    return n + locatePortable(q, step, end, room - n, first + n, phase + n);
}

void VariableRateWindowSums::toSamples(Path path, const double* sums, std::size_t count,
                                       std::int32_t lo, std::int32_t hi, std::int32_t* out) {
    std::size_t k = 0;
#ifdef QMT_HAVE_AVX2_PATH
    if (path == Path::Avx2 && avx2Supported()) k = toSamplesAvx2(sums, count, lo, hi, out);
#endif
    (void)path;
    for (; k < count; ++k) {
        double v = sums[k];
        if (v < lo) v = lo;
        if (v > hi) v = hi;
        out[k] = static_cast<std::int32_t>(v);
    }
}

void VariableRateWindowSums::toDoubles(Path path, const std::int16_t* in, std::size_t count,
                                       double* out) {
    std::size_t k = 0;
#ifdef QMT_HAVE_AVX2_PATH
    if (path == Path::Avx2 && avx2Supported()) k = toDoublesAvx2(in, count, out);
#endif
    (void)path;
    for (; k < count; ++k)
        out[k] = in[k];
}

void VariableRateWindowSums::packed24ToDoubles(Path path, const std::uint8_t* in, std::size_t count,
                                               double* out) {
    std::size_t k = 0;
#ifdef QMT_HAVE_AVX2_PATH
    if (path == Path::Avx2 && avx2Supported()) k = packed24ToDoublesAvx2(in, count, out);
#endif
    (void)path;
    for (; k < count; ++k) {
        const std::uint32_t raw = static_cast<std::uint32_t>(in[3 * k]) |
                                  static_cast<std::uint32_t>(in[3 * k + 1]) << 8 |
                                  static_cast<std::uint32_t>(in[3 * k + 2]) << 16;
        out[k] = static_cast<std::int32_t>(raw << 8) >> 8;
    }
}

void VariableRateWindowSums::toPacked24(Path path, const std::int32_t* in, std::size_t count,
                                        std::uint8_t* out) {
    std::size_t k = 0;
#ifdef QMT_HAVE_AVX2_PATH
    if (path == Path::Avx2 && avx2Supported()) k = toPacked24Avx2(in, count, out);
#endif
    (void)path;
    for (; k < count; ++k) {
        out[3 * k] = static_cast<std::uint8_t>(in[k]);
        out[3 * k + 1] = static_cast<std::uint8_t>(in[k] >> 8);
        out[3 * k + 2] = static_cast<std::uint8_t>(in[k] >> 16);
    }
}

bool VariableRateWindowSums::avx2Supported() {
#ifdef QMT_HAVE_AVX2_PATH
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

VariableRateWindowSums::Path VariableRateWindowSums::bestPath() {
    return avx2Supported() ? Path::Avx2 : Path::Portable;
}

void VariableRateWindowSums::accumulate(Path path, const Run& run) {
#ifdef QMT_HAVE_AVX2_PATH
    if (path == Path::Avx2 && avx2Supported()) {
        sumAvx2(run);
        return;
    }
#endif
    (void)path;
    sumPortable(run);
}

}  // namespace qmt
