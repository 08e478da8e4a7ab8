#pragma once
// What the streaming thread waits on during a half: the five control events first, then the
// completion event of the current half of every active filter that has not completed it
// yet, with the filter each slot belongs to. A slot leaves the list when its filter has
// processed the half; once only the control events are left the half is complete.

#include <cstddef>
#include <span>
#include <vector>

#include "common/Waitable.h"

namespace qmt {

class KsAudioFilter;

class StreamingWaitList {
  public:
    explicit StreamingWaitList(std::span<Waitable* const> controls)
        : objects_(controls.begin(), controls.end()), controlCount_(controls.size()) {}

    std::span<Waitable* const> objects() const { return objects_; }
    size_t controlCount() const { return controlCount_; }
    bool onlyControls() const { return objects_.size() == controlCount_; }
    // The filter waited for in `slot`, or null for a control event.
    KsAudioFilter* filterAt(size_t slot) const {
        return slot >= controlCount_ && slot < objects_.size() ? filters_[slot - controlCount_]
                                                               : nullptr;
    }

    void add(KsAudioFilter* filter, Waitable* event) {
        objects_.push_back(event);
        filters_.push_back(filter);
    }
    // Later slots move down by one.
    void removeSlot(size_t slot);
    // False when the filter has no slot (it completed the half already).
    bool remove(const KsAudioFilter* filter);
    void clearFilters();

  private:
    std::vector<Waitable*> objects_;
    std::vector<KsAudioFilter*> filters_;
    const size_t controlCount_;
};

}  // namespace qmt
