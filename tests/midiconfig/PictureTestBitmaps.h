#pragma once
// Small picture sets built in memory: every picture one flat colour, maps from rows of ids.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midiconfig/DibImage.h"

namespace qmt::test {

inline std::vector<uint8_t> ResourceOf(const DibImage& image) {
    const std::vector<uint8_t> file = WriteBmpFile(image);
    std::span<const uint8_t> dib;
    EXPECT_TRUE(DibOfBmpFile(file, dib));
    return {dib.begin(), dib.end()};
}

inline std::vector<uint8_t> FlatPicture(int32_t w, int32_t h, uint32_t rgb) {
    DibImage image;
    image.width = w;
    image.height = h;
    image.bitsPerPixel = 24;
    image.pixels.assign(size_t(w) * size_t(h), rgb);
    return ResourceOf(image);
}

// Rows of identifiers, top row first.
inline std::vector<uint8_t> IdMap(const std::vector<std::vector<uint8_t>>& rows) {
    DibImage image;
    image.width = static_cast<int32_t>(rows[0].size());
    image.height = static_cast<int32_t>(rows.size());
    image.bitsPerPixel = 8;
    for (int i = 0; i < 256; ++i)
        image.colours.push_back(uint32_t(i) * 0x010101);
    for (const auto& row : rows)
        image.indices.insert(image.indices.end(), row.begin(), row.end());
    return ResourceOf(image);
}

}  // namespace qmt::test
