#include "midiconfig/RowScroller.h"

#include <algorithm>

namespace qmt {

void RowScroller::setUp(size_t rows, int rowHeight, int pageHeight) {
    rowHeight_ = rowHeight;
    total_ = int(rows) * rowHeight;
    page_ = pageHeight;
    enabled_ = page_ < total_;
    // A list that now fits must not stay scrolled: its top rows would be out of reach.
    position_ = 0;
}

bool RowScroller::scroll(Action action, int trackPosition) {
    if (!enabled_) return false;
    int target = position_;
    switch (action) {
        case Action::LineUp:
            target -= kLineStep;
            break;
        case Action::LineDown:
            target += kLineStep;
            break;
        case Action::PageUp:
            target -= page_;
            break;
        case Action::PageDown:
            target += page_;
            break;
        case Action::ThumbPosition:
        case Action::ThumbTrack:
            target = trackPosition;
            break;
        case Action::Top:
            target = 0;
            break;
        case Action::Bottom:
            target = total_;
            break;
    }
    target = std::clamp(target, 0, std::max(0, total_ - page_));
    if (target == position_) return false;
    position_ = target;
    return true;
}

}  // namespace qmt
