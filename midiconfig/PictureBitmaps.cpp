#include "midiconfig/PictureBitmaps.h"

#include "midiconfig/DibImage.h"

namespace qmt {

namespace {
constexpr uint32_t kOpaque = 0xFF000000;
}

bool LoadPictureLayer(std::span<const uint8_t> resource, PictureLayer& layer) {
    layer = PictureLayer{};
    DibImage image;
    if (!ReadDibResource(resource, image) || image.bitsPerPixel == 8) return false;
    layer.width = image.width;
    layer.height = image.height;
    layer.pixels = std::move(image.pixels);
    for (uint32_t& p : layer.pixels)
        p |= kOpaque;
    return true;
}

bool LoadIdentifierMap(std::span<const uint8_t> resource, IdentifierMap& map) {
    map = IdentifierMap{};
    DibImage image;
    if (!ReadDibResource(resource, image) || image.bitsPerPixel != 8) return false;
    map.width = image.width;
    map.height = image.height;
    map.ids = std::move(image.indices);
    return true;
}

}  // namespace qmt
