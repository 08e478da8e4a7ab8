#pragma once
// One mask per control identifier (0 to 87) over a mask source: black where the source pixel
// holds the identifier, white elsewhere. Drawing a picture "through" a mask copies the
// picture where the mask is black and leaves the rest as it was. The masks are kept as runs
// of black pixels per row, which is what the copy walks; they are made once when the
// pictures load, never per paint.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "midiconfig/PictureBitmaps.h"
#include "model/Catalogue.h"

namespace qmt {

class ControlMasks {
  public:
    struct Run {
        int32_t y;
        int32_t x0;  // first black pixel
        int32_t x1;  // one past the last
    };

    // Makes the 88 masks of `source` (an identifier without pixels gets an empty mask).
    void make(const IdentifierMap& source);
    void clear();

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // Runs of the control's mask, top row first; empty for 88 and above.
    std::span<const Run> runs(uint8_t control) const;
    // True where the control's mask is black.
    bool black(uint8_t control, int32_t x, int32_t y) const;

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::array<std::vector<Run>, kControlCount> runs_;
};

}  // namespace qmt
