#pragma once
// Samples a converter produced beyond what one buffer takes, kept in order for the next buffer.
// The store is sized once; handing out never allocates.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace qmt {

template <typename T>
class SamplerateSurplus {
  public:
    explicit SamplerateSurplus(std::size_t capacity) : store_(capacity) {}

    std::size_t count() const { return count_; }

    // Writes up to want samples to dst, the kept ones first and then fresh ones, and keeps the
    // fresh samples that did not fit. Returns the number written.
    std::size_t deliver(const T* fresh, std::size_t freshCount, T* dst, std::size_t want) {
        const std::size_t fromStore = std::min(count_, want);
        std::copy_n(store_.begin(), fromStore, dst);
        const std::size_t fromFresh = std::min(freshCount, want - fromStore);
        std::copy_n(fresh, fromFresh, dst + fromStore);
        std::copy(store_.begin() + static_cast<std::ptrdiff_t>(fromStore),
                  store_.begin() + static_cast<std::ptrdiff_t>(count_), store_.begin());
        count_ -= fromStore;
        // The store is sized for the most a call can leave over; the bound only guards memory.
        const std::size_t keep = std::min(freshCount - fromFresh, store_.size() - count_);
        std::copy_n(fresh + fromFresh, keep, store_.begin() + static_cast<std::ptrdiff_t>(count_));
        count_ += keep;
        return fromStore + fromFresh;
    }

  private:
    std::vector<T> store_;
    std::size_t count_ = 0;
};

}  // namespace qmt
