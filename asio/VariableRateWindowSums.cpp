#include "asio/VariableRateWindowSums.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QMT_HAVE_AVX2_PATH 1
#include <immintrin.h>
#endif

namespace qmt {

namespace {

constexpr int kTaps = VariableRateKernel::kTaps;
constexpr int kPad = VariableRateKernel::kPad;

// The common run of inputs four neighbouring outputs are summed over: the widest window of the
// group, rounded up to whole pairs of taps.
int runWidth(int spreadLimit) {
    return (kTaps + spreadLimit + 1) & ~1;
}

int tableWidth(int spreadLimit) {
    return runWidth(spreadLimit);
}

bool runFitsPadding(int spreadLimit) {
    return spreadLimit >= 0 && spreadLimit <= kPad && tableWidth(spreadLimit) <= kTaps + kPad;
}

// One output, tap by tap.
void sumOne(const double* x, std::int64_t first, const double* row, double& sum) {
    const double* in = x + first;
    double s = sum;
    for (int t = 0; t < kTaps; ++t)
        s += in[t] * row[t];
    sum = s;
}

void sumPortable(const VariableRateWindowSums::Run& run) {
    const auto& kernel = VariableRateKernel::instance();
    const double* x = run.x;
    const std::int64_t base = run.base;
    const std::int64_t* first = run.first;
    const std::int32_t* phase = run.phase;
    double* sums = run.sums;
    const std::size_t n = run.count;
    std::size_t k = 0;
    // Four outputs at a time, each summed tap by tap in order: the independent sums keep the
    // adder busy while every output stays exactly its straight 33-tap sum.
    for (; k + 4 <= n; k += 4) {
        const double* x0 = x + (first[k] - base);
        const double* x1 = x + (first[k + 1] - base);
        const double* x2 = x + (first[k + 2] - base);
        const double* x3 = x + (first[k + 3] - base);
        const double* c0 = kernel.paddedPhase(phase[k]);
        const double* c1 = kernel.paddedPhase(phase[k + 1]);
        const double* c2 = kernel.paddedPhase(phase[k + 2]);
        const double* c3 = kernel.paddedPhase(phase[k + 3]);
        double s0 = sums[k], s1 = sums[k + 1], s2 = sums[k + 2], s3 = sums[k + 3];
        for (int t = 0; t < kTaps; ++t) {
            s0 += x0[t] * c0[t];
            s1 += x1[t] * c1[t];
            s2 += x2[t] * c2[t];
            s3 += x3[t] * c3[t];
        }
        sums[k] = s0;
        sums[k + 1] = s1;
        sums[k + 2] = s2;
        sums[k + 3] = s3;
    }
    for (; k < n; ++k)
        sumOne(x, first[k] - base, kernel.paddedPhase(phase[k]), sums[k]);
}

}  // namespace

class VariableRateWindowSums::GroupTable {
  public:
    static constexpr std::size_t kMaxGroups = 320;

    double step = 0.0;
    double start = 0.0;
    int spreadLimit = 0;
    int width = 0;
    // What identifies a group: its four phases and the distances of its lanes from lane 0.
    struct Key {
        alignas(32) std::int64_t offsets[4];
        alignas(16) std::int32_t phases[4];
    };

    // By the phase of lane 0, the group's entry, or -1.
    std::array<std::int32_t, VariableRateKernel::kPhases> slot{};
    std::vector<Key> keys;
    // Per entry, width rows of four coefficients: lane l's row read at run index t.
    std::vector<double> storage;
    std::size_t offset = 0;  // of the first entry in storage, for 32-byte alignment

    const double* entry(std::int32_t s) const {
        return storage.data() + offset +
               static_cast<std::size_t>(s) * static_cast<std::size_t>(width) * 4;
    }

    // The entry's coefficients for outputs at these indices and phases, or null.
    const double* find(const std::int64_t* first, const std::int32_t* phase) const {
        const std::int32_t s = slot[static_cast<std::size_t>(phase[0])];
        if (s < 0) return nullptr;
        const Key& key = keys[static_cast<std::size_t>(s)];
        for (int l = 0; l < 4; ++l)
            if (key.phases[l] != phase[l] || key.offsets[l] != first[l] - first[0]) return nullptr;
        return entry(s);
    }
};

namespace {

std::shared_ptr<VariableRateWindowSums::GroupTable> buildGroupTable(double step, double start,
                                                                    int spreadLimit) {
    using Table = VariableRateWindowSums::GroupTable;
    if (!runFitsPadding(spreadLimit)) return nullptr;
    const auto& kernel = VariableRateKernel::instance();
    // Walk the positions the converter walks, long enough for a repeating step to come round
    // several times.
    constexpr std::size_t kWalk = 4096;
    std::vector<std::int64_t> first(kWalk);
    std::vector<std::int32_t> phase(kWalk);
    double q = start;
    for (std::size_t n = 0; n < kWalk; ++n) {
        const auto at = VariableRateWindowSums::locate(q);
        first[n] = at.index;
        phase[n] = at.phase;
        q += step;
    }
    auto table = std::make_shared<Table>();
    table->step = step;
    table->start = start;
    table->spreadLimit = spreadLimit;
    table->width = tableWidth(spreadLimit);
    table->slot.fill(-1);
    const auto width = static_cast<std::size_t>(table->width);
    std::vector<std::size_t> entries;  // walk index of each entry's lane 0
    for (std::size_t n = 0; n + 4 <= kWalk / 2 && entries.size() < Table::kMaxGroups; ++n) {
        const std::int64_t d1 = first[n + 1] - first[n];
        const std::int64_t d2 = first[n + 2] - first[n];
        const std::int64_t d3 = first[n + 3] - first[n];
        if (d1 < 0 || d2 < d1 || d3 < d2 || d3 > spreadLimit) continue;
        auto& s = table->slot[static_cast<std::size_t>(phase[n])];
        if (s >= 0) continue;
        s = static_cast<std::int32_t>(entries.size());
        Table::Key key{};
        for (std::size_t l = 0; l < 4; ++l) {
            key.offsets[l] = first[n + l] - first[n];
            key.phases[l] = phase[n + l];
        }
        table->keys.push_back(key);
        entries.push_back(n);
    }
    table->storage.assign(entries.size() * width * 4 + 4, 0.0);
    const auto address = reinterpret_cast<std::uintptr_t>(table->storage.data());
    table->offset = ((32 - address % 32) % 32) / sizeof(double);
    for (std::size_t e = 0; e < entries.size(); ++e) {
        double* block = table->storage.data() + table->offset + e * width * 4;
        const std::size_t n = entries[e];
        for (std::size_t l = 0; l < 4; ++l) {
            const double* row = kernel.paddedPhase(phase[n + l]);
            const std::int64_t d = first[n + l] - first[n];
            for (std::size_t t = 0; t < width; ++t)
                block[t * 4 + l] = row[static_cast<std::int64_t>(t) - d];
        }
    }
    // A step that does not repeat soon would miss the table most of the time: not worth it.
    std::size_t hits = 0;
    std::size_t tries = 0;
    for (std::size_t n = kWalk / 2; n + 4 <= kWalk; n += 4, ++tries)
        if (table->find(&first[n], &phase[n])) ++hits;
    if (entries.empty() || hits * 10 < tries * 9) return nullptr;

    return table;
}

}  // namespace

std::shared_ptr<const VariableRateWindowSums::GroupTable> VariableRateWindowSums::groupTable(
    double step, double start, int spreadLimit) {
    static std::mutex mutex;
    static std::vector<std::weak_ptr<const GroupTable>> tables;
    const std::lock_guard lock(mutex);
    std::erase_if(tables, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : tables) {
        auto table = weak.lock();
        if (table && table->step == step && table->start == start &&
            table->spreadLimit == spreadLimit)
            return table;
    }
    std::shared_ptr<const GroupTable> table = buildGroupTable(step, start, spreadLimit);
    if (table) tables.push_back(table);
    return table;
}

namespace {

#ifdef QMT_HAVE_AVX2_PATH

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

// The table lookup with vector compares: the four phases at once, the four distances at once.
__attribute__((target("avx2"))) inline const double* findAvx2(
    const VariableRateWindowSums::GroupTable& table, const std::int64_t* first,
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

__attribute__((target("avx2"))) void sumAvx2(const VariableRateWindowSums::Run& run) {
    if (!runFitsPadding(run.spreadLimit)) {
        sumPortable(run);
        return;
    }
    const auto& kernel = VariableRateKernel::instance();
    const int width = runWidth(run.spreadLimit);
    const auto* table =
        run.table && run.table->width == tableWidth(run.spreadLimit) ? run.table : nullptr;
    RowGroups rowGroups;
    // The outputs beyond the last whole group of four, padded to four with copies of the last.
    std::int64_t tailFirst[4];
    std::int32_t tailPhase[4];
    alignas(32) double tailSums[4];
    const std::size_t whole = run.count / 4 * 4;
    const std::size_t tail = run.count - whole;
    for (std::size_t l = 0; l < 4 && tail > 0; ++l) {
        const std::size_t from = whole + std::min(l, tail - 1);
        tailFirst[l] = run.first[from];
        tailPhase[l] = run.phase[from];
        tailSums[l] = run.sums[from];
    }
    // A stretch of groups at a time: first every table lookup (each a chain of dependent loads,
    // which overlap when done in a row), then the groups the table holds four by four, then
    // the others.
    constexpr std::size_t kStretch = 32;
    TableGroup hits[kStretch + 3];
    std::size_t misses[kStretch];
    for (std::size_t k = 0; k < run.count; k += 4 * kStretch) {
        const std::size_t stretch = std::min(kStretch, (run.count - k + 3) / 4);
        std::size_t hitCount = 0;
        std::size_t missCount = 0;
        for (std::size_t g = 0; g < stretch; ++g) {
            const std::size_t at = k + 4 * g;
            const bool isTail = at == whole;
            const std::int64_t* first = isTail ? tailFirst : run.first + at;
            const double* block =
                table ? findAvx2(*table, first, isTail ? tailPhase : run.phase + at) : nullptr;
            if (block)
                hits[hitCount++] = {run.x + (first[0] - run.base), block,
                                    isTail ? tailSums : run.sums + at};
            else
                misses[missCount++] = at;
        }
        // The last set padded with copies of its last group: a copy reads the same starting
        // sums and writes the same results, and a full set does not wait on the adder the way
        // a lone group does.
        for (std::size_t i = hitCount; i % 4 != 0; ++i)
            hits[i] = hits[hitCount - 1];
        for (std::size_t i = 0; i < hitCount; i += 4)
            sumTableGroups4(hits + i, table->width);
        for (std::size_t m = 0; m < missCount; ++m) {
            const std::size_t at = misses[m];
            const bool isTail = at == whole;
            const std::int64_t* first = isTail ? tailFirst : run.first + at;
            const std::int32_t* phase = isTail ? tailPhase : run.phase + at;
            double* sums = isTail ? tailSums : run.sums + at;
            const std::int64_t lo =
                std::min(std::min(first[0], first[1]), std::min(first[2], first[3]));
            const std::int64_t hi =
                std::max(std::max(first[0], first[1]), std::max(first[2], first[3]));
            if (hi - lo > run.spreadLimit) {
                for (std::size_t l = 0; l < 4; ++l)
                    sumOne(run.x, first[l] - run.base, kernel.paddedPhase(phase[l]), sums[l]);
                continue;
            }
            rowGroups.add({run.x + (lo - run.base), kernel.paddedPhase(phase[0]) - (first[0] - lo),
                           kernel.paddedPhase(phase[1]) - (first[1] - lo),
                           kernel.paddedPhase(phase[2]) - (first[2] - lo),
                           kernel.paddedPhase(phase[3]) - (first[3] - lo), sums},
                          width);
        }
    }
    rowGroups.finish(width);
    for (std::size_t l = 0; l < tail; ++l)
        run.sums[whole + l] = tailSums[l];
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

#endif

std::size_t locatePortable(double& q, double step, std::int64_t end, std::size_t room,
                           std::int64_t* first, std::int32_t* phase) {
    std::size_t n = 0;
    double position = q;
    for (; n < room; ++n) {
        const auto at = VariableRateWindowSums::locate(position);
        if (at.index >= end) break;
        first[n] = at.index;
        phase[n] = at.phase;
        position += step;
    }
    q = position;
    return n;
}

}  // namespace

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
