#include "asio/StreamingWaitList.h"

#include <algorithm>

namespace qmt {

void StreamingWaitList::removeSlot(size_t slot) {
    if (slot < controlCount_ || slot >= objects_.size()) return;
    objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(slot));
    filters_.erase(filters_.begin() + static_cast<std::ptrdiff_t>(slot - controlCount_));
}

bool StreamingWaitList::remove(const KsAudioFilter* filter) {
    const auto it = std::find(filters_.begin(), filters_.end(), filter);
    if (it == filters_.end()) return false;
    removeSlot(controlCount_ + static_cast<size_t>(it - filters_.begin()));
    return true;
}

void StreamingWaitList::clearFilters() {
    objects_.resize(controlCount_);
    filters_.clear();
}

}  // namespace qmt
