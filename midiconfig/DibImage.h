#pragma once
// Device-independent bitmaps, the form the controller pictures and their hit maps are built
// into the program in: a 40-, 108- or 124-byte header, the colour table, then the rows from
// the bottom up, each padded to a multiple of four bytes. The resources come from inside the
// program, but they are read as if they were hostile: every size is checked against the
// resource's length before a pixel is touched, and a resource that fails a check is not used.

#include <cstdint>
#include <span>
#include <vector>

namespace qmt {

struct DibImage {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitsPerPixel = 0;      // 8, 24 or 32 once decoded
    std::vector<uint32_t> colours;  // the colour table as 0xRRGGBB (8-bit bitmaps)
    std::vector<uint8_t> indices;   // 8-bit: width * height colour indices, top row first
    std::vector<uint32_t> pixels;   // 24/32-bit: width * height 0xRRGGBB, top row first
};

// The checks a bitmap resource must pass to be used: more than 39 bytes; no colour table at
// 24 or 32 bits per pixel; at any other depth a header of 40, 108 or 124 bytes and a table of
// the header's used-colour count of 4-byte entries (2 to the power of the depth when that
// count is 0); and a length of exactly header + colour table + stride * height.
bool CheckDibResource(std::span<const uint8_t> resource);

// Checks the resource and decodes it. Only uncompressed bottom-up 8-, 24- and 32-bit bitmaps
// are decoded; anything else, and anything failing a check, gives false.
bool ReadDibResource(std::span<const uint8_t> resource, DibImage& image);

// A .bmp file is a 14-byte file header ("BM", file size, offset of the rows) in front of the
// resource form. Gives the resource part, or false when the file header does not fit.
bool DibOfBmpFile(std::span<const uint8_t> file, std::span<const uint8_t>& dib);

// An 8-bit bitmap (with its colour table) or a 24-bit one as a .bmp file, rows bottom-up.
std::vector<uint8_t> WriteBmpFile(const DibImage& image);

}  // namespace qmt
