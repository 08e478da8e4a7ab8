// The AVX2 path of the window sums. Built for every x86-64 processor; the functions carry
// their own target attribute and run only where the processor reports AVX2.

#include "asio/VariableRateWindowSumsDetail.h"

#ifdef QMT_HAVE_AVX2_PATH

#include <immintrin.h>

#include <algorithm>

#include "asio/VariableRateGroupTable.h"

namespace qmt::window_sums {

namespace {

// Four neighbouring outputs share one run of `width` inputs starting at lane 0's first index;
// each lane reads its own row shifted by its distance from that start, so the taps outside its
// window meet the row's zero padding. A zero product added to a sum leaves it unchanged, so
// every lane adds exactly its own 33 products in tap order, like the portable path. The
// multiply and the add stay separate instructions (no fused multiply-add: it rounds once
// instead of twice and would change the bits).

// A group whose rows the table holds lane by lane: one load per tap.
struct TableGroup {
    const double* x;      // input at the run's start
    const double* block;  // the table entry
    double* sums;
};

// One tap of one group: the input handed to all four lanes.
__attribute__((target("avx2"), always_inline)) inline __m256d tableStep(__m256d acc,
                                                                        const double* x,
                                                                        const double* c, int t) {
    return _mm256_add_pd(acc, _mm256_mul_pd(_mm256_broadcast_sd(x + t), _mm256_load_pd(c + 4 * t)));
}

// Four taps of one group: four inputs loaded at once, each handed to all four lanes in turn,
// and added in tap order.
__attribute__((target("avx2"), always_inline)) inline __m256d tableQuad(__m256d acc,
                                                                        const double* x,
                                                                        const double* c, int t) {
    const __m256d in = _mm256_loadu_pd(x + t);
    const double* k = c + 4 * t;
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_permute4x64_pd(in, 0x00), _mm256_load_pd(k)));
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_permute4x64_pd(in, 0x55), _mm256_load_pd(k + 4)));
    acc = _mm256_add_pd(acc, _mm256_mul_pd(_mm256_permute4x64_pd(in, 0xaa), _mm256_load_pd(k + 8)));
    acc =
        _mm256_add_pd(acc, _mm256_mul_pd(_mm256_permute4x64_pd(in, 0xff), _mm256_load_pd(k + 12)));
    return acc;
}

// Several groups in flight hide the adder's latency: each lane's sum depends on its previous
// add, so one group alone would wait on it at every tap. Named variables, not arrays, so that
// the sums stay in registers.
__attribute__((target("avx2"))) void sumTableGroups4(const TableGroup* g, int width) {
    const double *x0 = g[0].x, *x1 = g[1].x, *x2 = g[2].x, *x3 = g[3].x;
    const double *c0 = g[0].block, *c1 = g[1].block, *c2 = g[2].block, *c3 = g[3].block;
    __m256d a0 = _mm256_loadu_pd(g[0].sums);
    __m256d a1 = _mm256_loadu_pd(g[1].sums);
    __m256d a2 = _mm256_loadu_pd(g[2].sums);
    __m256d a3 = _mm256_loadu_pd(g[3].sums);
    int t = 0;
    for (; t + 4 <= width; t += 4) {
        a0 = tableQuad(a0, x0, c0, t);
        a1 = tableQuad(a1, x1, c1, t);
        a2 = tableQuad(a2, x2, c2, t);
        a3 = tableQuad(a3, x3, c3, t);
    }
    for (; t < width; ++t) {
        a0 = tableStep(a0, x0, c0, t);
        a1 = tableStep(a1, x1, c1, t);
        a2 = tableStep(a2, x2, c2, t);
        a3 = tableStep(a3, x3, c3, t);
    }
    _mm256_storeu_pd(g[0].sums, a0);
    _mm256_storeu_pd(g[1].sums, a1);
    _mm256_storeu_pd(g[2].sums, a2);
    _mm256_storeu_pd(g[3].sums, a3);
}

// A group the table lacks: each lane's row is read where it lies and the four are rearranged
// into lanes, two taps at a time.
struct RowGroup {
    const double* x;
    const double* c0;
    const double* c1;
    const double* c2;
    const double* c3;
    double* sums;
};

struct RowLanes {
    const double* x;
    const double* c0;
    const double* c1;
    const double* c2;
    const double* c3;
    __m256d acc;
};

__attribute__((target("avx2"), always_inline)) inline RowLanes rowLanes(const RowGroup& g) {
    return {g.x, g.c0, g.c1, g.c2, g.c3, _mm256_loadu_pd(g.sums)};
}

__attribute__((target("avx2"), always_inline)) inline void pairStep(RowLanes& l, int t) {
    const __m256d a = _mm256_loadu2_m128d(l.c2 + t, l.c0 + t);  // c0[t] c0[t+1] c2[t] c2[t+1]
    const __m256d b = _mm256_loadu2_m128d(l.c3 + t, l.c1 + t);  // c1[t] c1[t+1] c3[t] c3[t+1]
    const __m256d even = _mm256_unpacklo_pd(a, b);
    const __m256d odd = _mm256_unpackhi_pd(a, b);
    l.acc = _mm256_add_pd(l.acc, _mm256_mul_pd(_mm256_broadcast_sd(l.x + t), even));
    l.acc = _mm256_add_pd(l.acc, _mm256_mul_pd(_mm256_broadcast_sd(l.x + t + 1), odd));
}

__attribute__((target("avx2"))) void sumRowGroups3(const RowGroup* g, int width) {
    RowLanes l0 = rowLanes(g[0]);
    RowLanes l1 = rowLanes(g[1]);
    RowLanes l2 = rowLanes(g[2]);
    for (int t = 0; t < width; t += 2) {
        pairStep(l0, t);
        pairStep(l1, t);
        pairStep(l2, t);
    }
    _mm256_storeu_pd(g[0].sums, l0.acc);
    _mm256_storeu_pd(g[1].sums, l1.acc);
    _mm256_storeu_pd(g[2].sums, l2.acc);
}

using GroupTable = VariableRateWindowSums::GroupTable;

// The table lookup with vector compares: the four phases at once, the four distances at once.
__attribute__((target("avx2"))) inline const double* findAvx2(const GroupTable& table,
                                                              const std::int64_t* first,
                                                              const std::int32_t* phase) {
    const std::int32_t s = table.slot[static_cast<std::size_t>(phase[0])];
    if (s < 0) return nullptr;
    const auto& key = table.keys[static_cast<std::size_t>(s)];
    const __m128i phases = _mm_loadu_si128(reinterpret_cast<const __m128i*>(phase));
    const __m256i offsets = _mm256_sub_epi64(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first)), _mm256_set1_epi64x(first[0]));
    const int same =
        _mm_movemask_epi8(
            _mm_cmpeq_epi32(phases, _mm_load_si128(reinterpret_cast<const __m128i*>(key.phases)))) &
        _mm256_movemask_epi8(_mm256_cmpeq_epi64(
            offsets, _mm256_load_si256(reinterpret_cast<const __m256i*>(key.offsets))));
    return same == 0xffff ? table.entry(s) : nullptr;
}

// Groups the table lacks, waiting to be summed in sets of three.
struct RowGroups {
    RowGroup rows[3];
    int count = 0;

    __attribute__((target("avx2"))) void add(const RowGroup& group, int width) {
        rows[count++] = group;
        if (count == 3) {
            sumRowGroups3(rows, width);
            count = 0;
        }
    }

    // The last set padded with copies of its last group: a copy reads the same starting sums
    // and writes the same results, and a full set does not wait on the adder the way a lone
    // group does.
    __attribute__((target("avx2"))) void finish(int width) {
        if (count == 0) return;
        for (int i = count; i < 3; ++i)
            rows[i] = rows[count - 1];
        sumRowGroups3(rows, width);
        count = 0;
    }
};

using Run = VariableRateWindowSums::Run;

// The outputs beyond the last whole group of four, padded to four with copies of the last, so
// that every group the sums walk has four lanes.
struct TailGroup {
    std::int64_t first[4];
    std::int32_t phase[4];
    alignas(32) double sums[4];
    std::size_t whole;  // where the tail starts in the run
    std::size_t count;  // real outputs in it, 0 to 3

    explicit TailGroup(const Run& run) : whole(run.count / 4 * 4), count(run.count - whole) {
        for (std::size_t l = 0; l < 4 && count > 0; ++l) {
            const std::size_t from = whole + std::min(l, count - 1);
            first[l] = run.first[from];
            phase[l] = run.phase[from];
            sums[l] = run.sums[from];
        }
    }

    void storeInto(const Run& run) const {
        for (std::size_t l = 0; l < count; ++l)
            run.sums[whole + l] = sums[l];
    }
};

// The group of four outputs starting at `at`: in the run itself, or the tail's padded copy.
struct Group {
    const std::int64_t* first;
    const std::int32_t* phase;
    double* sums;
};

Group groupAt(const Run& run, TailGroup& tail, std::size_t at) {
    if (at == tail.whole) return {tail.first, tail.phase, tail.sums};
    return {run.first + at, run.phase + at, run.sums + at};
}

// A stretch of groups at a time: first every table lookup (each a chain of dependent loads,
// which overlap when done in a row), then the groups the table holds four by four, then the
// others.
constexpr std::size_t kStretch = 32;

struct Stretch {
    TableGroup hits[kStretch + 3];  // room for padding the last set of four
    std::size_t hitCount = 0;
    std::size_t misses[kStretch];  // run index of each group the table lacks
    std::size_t missCount = 0;
};

__attribute__((target("avx2"))) void lookUpStretch(const Run& run, const GroupTable* table,
                                                   TailGroup& tail, std::size_t k,
                                                   Stretch& stretch) {
    const std::size_t groups = std::min(kStretch, (run.count - k + 3) / 4);
    stretch.hitCount = 0;
    stretch.missCount = 0;
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t at = k + 4 * g;
        const Group group = groupAt(run, tail, at);
        const double* block = table ? findAvx2(*table, group.first, group.phase) : nullptr;
        if (block)
            stretch.hits[stretch.hitCount++] = {run.x + (group.first[0] - run.base), block,
                                                group.sums};
        else
            stretch.misses[stretch.missCount++] = at;
    }
}

// The last set padded with copies of its last group: a copy reads the same starting sums and
// writes the same results, and a full set does not wait on the adder the way a lone group does.
__attribute__((target("avx2"))) void sumTableHits(Stretch& stretch, int width) {
    for (std::size_t i = stretch.hitCount; i % 4 != 0; ++i)
        stretch.hits[i] = stretch.hits[stretch.hitCount - 1];
    for (std::size_t i = 0; i < stretch.hitCount; i += 4)
        sumTableGroups4(stretch.hits + i, width);
}

// Groups the table lacks: each lane's row read where it lies, or, for a group spread wider
// than the common run, one output at a time.
__attribute__((target("avx2"))) void sumTableMisses(const Run& run, TailGroup& tail,
                                                    const Stretch& stretch, int width,
                                                    RowGroups& rowGroups) {
    const auto& kernel = VariableRateKernel::instance();
    for (std::size_t m = 0; m < stretch.missCount; ++m) {
        const Group g = groupAt(run, tail, stretch.misses[m]);
        const std::int64_t lo =
            std::min(std::min(g.first[0], g.first[1]), std::min(g.first[2], g.first[3]));
        const std::int64_t hi =
            std::max(std::max(g.first[0], g.first[1]), std::max(g.first[2], g.first[3]));
        if (hi - lo > run.spreadLimit) {
            for (std::size_t l = 0; l < 4; ++l)
                sumOne(run.x, g.first[l] - run.base, kernel.paddedPhase(g.phase[l]), g.sums[l]);
            continue;
        }
        rowGroups.add({run.x + (lo - run.base), kernel.paddedPhase(g.phase[0]) - (g.first[0] - lo),
                       kernel.paddedPhase(g.phase[1]) - (g.first[1] - lo),
                       kernel.paddedPhase(g.phase[2]) - (g.first[2] - lo),
                       kernel.paddedPhase(g.phase[3]) - (g.first[3] - lo), g.sums},
                      width);
    }
}

}  // namespace

__attribute__((target("avx2"))) void sumAvx2(const Run& run) {
    if (!runFitsPadding(run.spreadLimit)) {
        sumPortable(run);
        return;
    }
    const int width = runWidth(run.spreadLimit);
    const GroupTable* table =
        run.table && run.table->width == tableWidth(run.spreadLimit) ? run.table : nullptr;
    TailGroup tail(run);
    RowGroups rowGroups;
    Stretch stretch;
    for (std::size_t k = 0; k < run.count; k += 4 * kStretch) {
        lookUpStretch(run, table, tail, k, stretch);
        if (stretch.hitCount > 0) sumTableHits(stretch, table->width);
        sumTableMisses(run, tail, stretch, width, rowGroups);
    }
    rowGroups.finish(width);
    tail.storeInto(run);
}

// Positions within this of zero round to indices that fit the 32-bit conversions below.
constexpr double kVectorLocateLimit = 1073741824.0;

__attribute__((target("avx2"))) std::size_t locateAvx2(double& q, double step, std::int64_t end,
                                                       std::size_t room, std::int64_t* first,
                                                       std::int32_t* phase) {
    std::size_t n = 0;
    if (!(q > -kVectorLocateLimit) || static_cast<double>(end) > kVectorLocateLimit ||
        !(step < kVectorLocateLimit))
        return 0;
    const __m256d steps = _mm256_set1_pd(VariableRateKernel::kPhaseSteps);
    const __m256d half = _mm256_set1_pd(0.5);
    const __m256d one = _mm256_set1_pd(1.0);
    while (n + 4 <= room) {
        const double q1 = q + step;
        const double q2 = q1 + step;
        const double q3 = q2 + step;
        const __m256d v = _mm256_set_pd(q3, q2, q1, q);
        // floor, then the phase rounded half away from zero, exactly as locate does it.
        const __m256d whole = _mm256_floor_pd(v);
        const __m256d scaled = _mm256_mul_pd(_mm256_sub_pd(v, whole), steps);
        const __m256d trunc = _mm256_round_pd(scaled, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        const __m256d up =
            _mm256_and_pd(_mm256_cmp_pd(_mm256_sub_pd(scaled, trunc), half, _CMP_GE_OQ), one);
        const __m128i index = _mm256_cvttpd_epi32(whole);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(first + n), _mm256_cvtepi32_epi64(index));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(phase + n),
                         _mm256_cvttpd_epi32(_mm256_add_pd(trunc, up)));
        if (first[n + 3] < end) {
            n += 4;
            q = q3 + step;
            continue;
        }
        // Indices do not decrease, so the taken ones come first.
        if (first[n] >= end) return n;
        if (first[n + 1] >= end) {
            q = q1;
            return n + 1;
        }
        if (first[n + 2] >= end) {
            q = q2;
            return n + 2;
        }
        q = q3;
        return n + 3;
    }
    return n;
}

__attribute__((target("avx2"))) std::size_t toSamplesAvx2(const double* sums, std::size_t count,
                                                          std::int32_t lo, std::int32_t hi,
                                                          std::int32_t* out) {
    const __m256d low = _mm256_set1_pd(lo);
    const __m256d high = _mm256_set1_pd(hi);
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        // max and min in this order match limiting with two comparisons, as sums are numbers.
        const __m256d v = _mm256_min_pd(_mm256_max_pd(_mm256_loadu_pd(sums + k), low), high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm256_cvttpd_epi32(v));
    }
    return k;
}

__attribute__((target("avx2"))) std::size_t toDoublesAvx2(const std::int16_t* in, std::size_t count,
                                                          double* out) {
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m128i four =
            _mm_cvtepi16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + k)));
        _mm256_storeu_pd(out + k, _mm256_cvtepi32_pd(four));
    }
    return k;
}

// Reads 16 bytes for every 12 it converts, so it stops while 16 bytes remain in the input.
__attribute__((target("avx2"))) std::size_t packed24ToDoublesAvx2(const std::uint8_t* in,
                                                                  std::size_t count, double* out) {
    // Each sample's three bytes into the top of a 32-bit lane; the shift back sign-extends.
    const __m128i spread =
        _mm_setr_epi8(-128, 0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11);
    std::size_t k = 0;
    for (; k + 6 <= count; k += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * k));
        const __m128i four = _mm_srai_epi32(_mm_shuffle_epi8(bytes, spread), 8);
        _mm256_storeu_pd(out + k, _mm256_cvtepi32_pd(four));
    }
    return k;
}

// Writes 16 bytes for every 12 it packs, so it stops while 16 bytes remain in the output (the
// extra bytes are rewritten with the following samples).
__attribute__((target("avx2"))) std::size_t toPacked24Avx2(const std::int32_t* in,
                                                           std::size_t count, std::uint8_t* out) {
    const __m128i pack =
        _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128);
    std::size_t k = 0;
    for (; k + 6 <= count; k += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * k), _mm_shuffle_epi8(four, pack));
    }
    return k;
}

}  // namespace qmt::window_sums

#endif
