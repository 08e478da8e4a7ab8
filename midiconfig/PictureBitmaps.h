#pragma once
// The loaded forms of a picture set's bitmaps: pictures as opaque 0xFFRRGGBB pixels (the
// layout of a 32-bit RGB window surface), hit maps and mask sources as one identifier byte
// per pixel. Rows run from the top in both.

#include <cstdint>
#include <span>
#include <vector>

namespace qmt {

struct PictureLayer {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
    bool empty() const { return pixels.empty(); }
};

struct IdentifierMap {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> ids;
    bool empty() const { return ids.empty(); }
    uint8_t at(int32_t x, int32_t y) const { return ids[size_t(y) * size_t(width) + size_t(x)]; }
};

// From a bitmap resource that passes the checks: a 24- or 32-bit picture, or an 8-bit map
// whose colour indices are the identifiers. False (and the output emptied) otherwise.
bool LoadPictureLayer(std::span<const uint8_t> resource, PictureLayer& layer);
bool LoadIdentifierMap(std::span<const uint8_t> resource, IdentifierMap& map);

}  // namespace qmt
