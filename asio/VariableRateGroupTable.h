#pragma once
// The table of groups of four neighbouring outputs that a repeating step produces over and
// over, each group's four kernel rows laid out lane by lane (see VariableRateWindowSums.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "asio/VariableRateKernel.h"
#include "asio/VariableRateWindowSums.h"

namespace qmt {

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

}  // namespace qmt
