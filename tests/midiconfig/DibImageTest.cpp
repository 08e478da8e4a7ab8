// Bitmap resources: what passes the checks, what decodes, and hostile bytes that must not.

#include <gtest/gtest.h>

#include <functional>

#include "midiconfig/DibImage.h"
#include "model/ByteReader.h"

namespace qmt {
namespace {

DibImage Indexed(int32_t w, int32_t h) {
    DibImage image;
    image.width = w;
    image.height = h;
    image.bitsPerPixel = 8;
    image.colours = {0x000000, 0xFF0000, 0x00FF00};
    for (int32_t i = 0; i < w * h; ++i)
        image.indices.push_back(static_cast<uint8_t>(i % 3));
    return image;
}

std::vector<uint8_t> Resource(const DibImage& image) {
    const std::vector<uint8_t> file = WriteBmpFile(image);
    std::span<const uint8_t> dib;
    EXPECT_TRUE(DibOfBmpFile(file, dib));
    return {dib.begin(), dib.end()};
}

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(DibImage, EightAndTwentyFourBitRoundTripWithPaddedRowsBottomUp) {
    DibImage image = Indexed(5, 3);  // 5-byte rows pad to 8
    DibImage read;
    ASSERT_TRUE(ReadDibResource(Resource(image), read));
    EXPECT_EQ(read.indices, image.indices);
    EXPECT_EQ(read.colours, image.colours);

    DibImage rgb;
    rgb.width = 3;  // 9-byte rows pad to 12
    rgb.height = 2;
    rgb.bitsPerPixel = 24;
    rgb.pixels = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
    const std::vector<uint8_t> bytes = Resource(rgb);
    EXPECT_EQ(bytes.size(), 40u + 12 * 2);
    EXPECT_EQ(bytes[40], 0xCC);  // the bottom row comes first, blue first
    ASSERT_TRUE(ReadDibResource(bytes, read));
    EXPECT_EQ(read.pixels, rgb.pixels);
}

TEST(DibImage, ResourcesFailingAnyCheckAreRefused) {
    const std::vector<uint8_t> good = Resource(Indexed(5, 3));
    ASSERT_TRUE(CheckDibResource(good));
    const std::vector<std::pair<const char*, std::function<void(std::vector<uint8_t>&)>>> bad{
        {"39 bytes", [](auto& b) { b.resize(39); }},
        {"one byte short", [](auto& b) { b.pop_back(); }},
        {"one byte long", [](auto& b) { b.push_back(0); }},
        {"header of 41", [](auto& b) { PutU32(b, 0, 41); }},
        {"header past the end", [](auto& b) { PutU32(b, 0, 0x7FFFFFFF); }},
        {"more colours than stored", [](auto& b) { PutU32(b, 32, 4); }},
        {"all 256 colours when 3 are stored", [](auto& b) { PutU32(b, 32, 0); }},
        {"zero width", [](auto& b) { PutU32(b, 4, 0); }},
        {"top-down rows", [](auto& b) { PutU32(b, 8, uint32_t(-3)); }},
        {"huge width", [](auto& b) { PutU32(b, 4, 0x40000000); }},
        {"compressed", [](auto& b) { PutU32(b, 16, 1); }},
        {"24 bits with a colour table", [](auto& b) { b[14] = 24; }},
    };
    for (const auto& [what, change] : bad) {
        std::vector<uint8_t> bytes = good;
        change(bytes);
        DibImage image;
        EXPECT_FALSE(CheckDibResource(bytes)) << what;
        EXPECT_FALSE(ReadDibResource(bytes, image)) << what;
    }
}

TEST(DibImage, OtherDepthsPassTheChecksButAreNotDecoded) {
    // A 1-bit bitmap: two colours, rows of one padded 4-byte word.
    std::vector<uint8_t> bytes(40 + 2 * 4 + 4 * 2, 0);
    PutU32(bytes, 0, 40);
    PutU32(bytes, 4, 7);
    PutU32(bytes, 8, 2);
    bytes[12] = 1;
    bytes[14] = 1;
    EXPECT_TRUE(CheckDibResource(bytes));
    DibImage image;
    EXPECT_FALSE(ReadDibResource(bytes, image));
}

TEST(DibImage, FileHeaderMustNameItsOwnSize) {
    std::vector<uint8_t> file = WriteBmpFile(Indexed(2, 2));
    std::span<const uint8_t> dib;
    file.push_back(0);
    EXPECT_FALSE(DibOfBmpFile(file, dib));
    file.pop_back();
    file[0] = 'X';
    EXPECT_FALSE(DibOfBmpFile(file, dib));
    EXPECT_FALSE(DibOfBmpFile(std::span<const uint8_t>(file).first(10), dib));
}

}  // namespace
}  // namespace qmt
