#pragma once
// The picture area of the preset editor, without a toolkit: the three picture sets with
// their hit maps and masks, the hovered control, hit testing and the composition of a paint.
//
// The picture sits in the client area horizontally centred and a third of the spare height
// down (never left of or above the client's origin); a client larger than the picture is
// black around it. A paint draws, in order: the base picture, the hover picture through the
// hovered control's mask, the modifier picture through the mask of every modifier of the
// selected control's assignments, and the selected picture through the selected control's
// mask, so the selection always shows on top. A bitmap that fails to load leaves its layer
// undrawn; without the base picture nothing is painted at all.
//
// Hit tests read the hit map (one identifier per pixel, 255 none). A control that none of
// the edited kind's models has counts as background, so a KRP preset offers no button
// that only the ARDO RAW has although both kinds share one picture.
//
// User-interface thread only.

#include <array>
#include <cstdint>
#include <vector>

#include "midiconfig/ControlMasks.h"
#include "midiconfig/ControllerPictureHostIf.h"
#include "midiconfig/PictureBitmaps.h"
#include "model/Preset.h"

namespace qmt {

// The off-screen bitmap a paint composes: client-sized, 0xFFRRGGBB, top row first.
struct RgbFrame {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    RgbFrame() = default;
    RgbFrame(int32_t w, int32_t h, uint32_t fill = 0xFF000000)
        : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    uint32_t at(int32_t x, int32_t y) const {
        return pixels[size_t(y) * size_t(width) + size_t(x)];
    }
};

struct PictureOrigin {
    int32_t x = 0;
    int32_t y = 0;
};

class ControllerPicture {
  public:
    static constexpr uint32_t kBlack = 0xFF000000;

    explicit ControllerPicture(ControllerPictureHostIf& host) : host_(host) {}

    // Loads the pictures, hit maps and mask sources of every set from the program's bitmap
    // resources and makes the masks. True when every bitmap loaded.
    bool load();
    // Loads one set from given resources (tests use their own bitmaps). Slots whose resource
    // fails the checks stay empty.
    struct SetResources {
        std::span<const uint8_t> base, selected, modifier, hover, hitMap, maskSource;
    };
    bool loadSet(PresetKind kind, const SetResources& resources);
    // Forgets every bitmap and mask (the editor closing).
    void release();

    // The kind of the edited preset chooses the set.
    void setKind(PresetKind kind) { kind_ = kind; }
    PresetKind kind() const { return kind_; }

    uint8_t hovered() const { return hovered_; }
    // Values above 88 mean none; a change is reported to the host.
    void setHovered(uint8_t control);

    // Where the picture (or the hit map) of the given size sits in a client area.
    static PictureOrigin OriginFor(int32_t clientWidth, int32_t clientHeight, int32_t width,
                                   int32_t height);
    // The identifier under a client point: false when the point is off the hit map, else
    // the control there, 255 for background.
    bool hitTest(int32_t px, int32_t py, int32_t clientWidth, int32_t clientHeight,
                 uint8_t& control) const;
    void mouseMove(int32_t px, int32_t py, int32_t clientWidth, int32_t clientHeight);
    void leftButtonDown(int32_t px, int32_t py, int32_t clientWidth, int32_t clientHeight);

    // Composes the client area into `frame` (whose size is the client's). False, with the
    // frame untouched, when the base picture is missing.
    bool paint(RgbFrame& frame);

    // The kind's base picture size, 0 x 0 when it is missing.
    int32_t pictureWidth() const { return set().base.width; }
    int32_t pictureHeight() const { return set().base.height; }

  private:
    struct LoadedSet {
        PictureLayer base, selected, modifier, hover;
        IdentifierMap hitMap;
        ControlMasks masks;
    };
    static size_t SetIndex(PresetKind kind);
    const LoadedSet& set() const { return sets_[SetIndex(kind_)]; }
    static void CopyLayer(const PictureLayer& layer, PictureOrigin at, RgbFrame& frame);
    static void CopyThroughMask(const PictureLayer& layer, const ControlMasks& masks,
                                uint8_t control, PictureOrigin at, RgbFrame& frame);

    ControllerPictureHostIf& host_;
    std::array<LoadedSet, 3> sets_;
    PresetKind kind_ = PresetKind::Kvp;
    uint8_t hovered_ = kNoControl;
    std::vector<uint8_t> modifiers_;  // reused by each paint
};

}  // namespace qmt
