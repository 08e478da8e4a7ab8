#pragma once
// The vertical scrolling of the main window's device rows: rows are stacked from the top of
// the panel at row index × row height − position, and the scroll bar covers them all.

#include <cstddef>

namespace qmt {

class RowScroller {
  public:
    enum class Action {
        LineUp,
        LineDown,
        PageUp,
        PageDown,
        ThumbPosition,
        ThumbTrack,
        Top,
        Bottom
    };
    static constexpr int kLineStep = 16;  // pixels per line, as the system scrolls text

    // Recomputes the range for `rows` rows in a panel `pageHeight` pixels high and scrolls
    // back to the top. The bar is disabled when every row fits.
    void setUp(size_t rows, int rowHeight, int pageHeight);

    // Moves the position (kept within 0 .. total − page); true when it changed.
    bool scroll(Action action, int trackPosition = 0);

    bool enabled() const { return enabled_; }
    int position() const { return position_; }
    int total() const { return total_; }
    int page() const { return page_; }
    int rowHeight() const { return rowHeight_; }
    int rowTop(size_t index) const { return int(index) * rowHeight_ - position_; }

  private:
    int rowHeight_ = 0;
    int total_ = 0;
    int page_ = 0;
    int position_ = 0;
    bool enabled_ = false;
};

}  // namespace qmt
