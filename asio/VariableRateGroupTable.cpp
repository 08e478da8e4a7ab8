#include "asio/VariableRateGroupTable.h"

#include <memory>
#include <mutex>

#include "asio/VariableRateWindowSumsDetail.h"

namespace qmt {

using namespace window_sums;

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

}  // namespace qmt
