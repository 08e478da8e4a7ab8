#pragma once
// Which built-in bitmaps show each preset kind's controller: four 24-bit pictures of one size
// (base, selected tinted blue, modifier tinted red, hover), an 8-bit hit map and an 8-bit
// mask source whose pixels hold the identifier of the control drawn there (255: none).
// KRP and KQP presets share the ARDO RAW pictures.

#include <cstdint>

#include "model/Preset.h"

namespace qmt {

// Colour index of hit-map and mask-source pixels that belong to no control.
inline constexpr uint8_t kNoControlPixel = 255;

struct PictureSetIds {
    int base;
    int selected;
    int modifier;
    int hover;
    int hitMap;
    int maskSource;
    int width;
    int height;
};

inline constexpr PictureSetIds kKvpPictures{105, 115, 118, 112, 111, 114, 350, 222};
inline constexpr PictureSetIds kKapPictures{120, 123, 122, 121, 119, 119, 437, 472};
inline constexpr PictureSetIds kArdoRawPictures{129, 132, 131, 130, 128, 128, 437, 472};

inline const PictureSetIds& PictureSetOf(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return kKvpPictures;
        case PresetKind::Kap:
            return kKapPictures;
        case PresetKind::Krp:
        case PresetKind::Kqp:
            break;
    }
    return kArdoRawPictures;
}

}  // namespace qmt
