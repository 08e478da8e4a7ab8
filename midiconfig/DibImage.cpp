#include "midiconfig/DibImage.h"

#include "model/ByteReader.h"

namespace qmt {

namespace {

constexpr size_t kInfoHeaderSize = 40;  // the smallest header with every field read here
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kUncompressed = 0;
// Larger bitmaps are no picture of ours; the limit also keeps every size product in range.
constexpr int32_t kMaxSide = 16384;

struct DibHeader {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t compression = 0;
    uint32_t usedColours = 0;
};

bool ReadHeader(std::span<const uint8_t> resource, DibHeader& h) {
    if (resource.size() < kInfoHeaderSize) return false;
    ByteReader in(resource);
    uint32_t imageSize, xPerMetre, yPerMetre;
    return in.u32(h.headerSize) && in.i32(h.width) && in.i32(h.height) && in.u16(h.planes) &&
           in.u16(h.bitsPerPixel) && in.u32(h.compression) && in.u32(imageSize) &&
           in.u32(xPerMetre) && in.u32(yPerMetre) && in.u32(h.usedColours);
}

bool IsTrueColour(uint16_t bits) {
    return bits == 24 || bits == 32;
}

// Entries of the colour table, or false when the header cannot have one that fits.
bool ColourTableEntries(const DibHeader& h, uint64_t& entries) {
    if (IsTrueColour(h.bitsPerPixel)) {
        entries = 0;
        return true;
    }
    if (h.headerSize != 40 && h.headerSize != 108 && h.headerSize != 124) return false;
    if (h.bitsPerPixel != 1 && h.bitsPerPixel != 4 && h.bitsPerPixel != 8 && h.bitsPerPixel != 16)
        return false;
    entries = h.usedColours != 0 ? h.usedColours : uint64_t{1} << h.bitsPerPixel;
    return true;
}

uint64_t Stride(const DibHeader& h) {
    return (uint64_t(h.width) * h.bitsPerPixel + 31) / 32 * 4;
}

bool CheckHeader(std::span<const uint8_t> resource, DibHeader& h, uint64_t& tableEntries) {
    if (!ReadHeader(resource, h)) return false;
    if (h.headerSize < kInfoHeaderSize || h.headerSize > resource.size()) return false;
    if (h.width <= 0 || h.height <= 0 || h.width > kMaxSide || h.height > kMaxSide) return false;
    if (h.planes != 1 || h.compression != kUncompressed) return false;
    if (!ColourTableEntries(h, tableEntries)) return false;
    const uint64_t expected = h.headerSize + tableEntries * 4 + Stride(h) * uint64_t(h.height);
    return expected == resource.size();
}

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

void DecodeColourTable(std::span<const uint8_t> table, DibImage& image) {
    image.colours.resize(table.size() / 4);
    for (size_t i = 0; i < image.colours.size(); ++i)  // entries are blue, green, red, 0
        image.colours[i] = Rgb(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
}

void DecodeRows(std::span<const uint8_t> rows, uint64_t stride, DibImage& image) {
    const size_t w = static_cast<size_t>(image.width);
    const size_t h = static_cast<size_t>(image.height);
    const size_t bytesPerPixel = image.bitsPerPixel / 8;
    if (bytesPerPixel == 1)
        image.indices.resize(w * h);
    else
        image.pixels.resize(w * h);
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = rows.data() + (h - 1 - y) * stride;  // stored bottom-up
        for (size_t x = 0; x < w; ++x) {
            const uint8_t* p = row + x * bytesPerPixel;
            if (bytesPerPixel == 1)
                image.indices[y * w + x] = p[0];
            else
                image.pixels[y * w + x] = Rgb(p[2], p[1], p[0]);
        }
    }
}

}  // namespace

bool CheckDibResource(std::span<const uint8_t> resource) {
    DibHeader h;
    uint64_t entries = 0;
    return CheckHeader(resource, h, entries);
}

bool ReadDibResource(std::span<const uint8_t> resource, DibImage& image) {
    DibHeader h;
    uint64_t entries = 0;
    if (!CheckHeader(resource, h, entries)) return false;
    if (h.bitsPerPixel != 8 && !IsTrueColour(h.bitsPerPixel)) return false;
    image = DibImage{};
    image.width = h.width;
    image.height = h.height;
    image.bitsPerPixel = h.bitsPerPixel;
    const size_t tableBytes = static_cast<size_t>(entries * 4);
    DecodeColourTable(resource.subspan(h.headerSize, tableBytes), image);
    DecodeRows(resource.subspan(h.headerSize + tableBytes), Stride(h), image);
    return true;
}

bool DibOfBmpFile(std::span<const uint8_t> file, std::span<const uint8_t>& dib) {
    ByteReader in(file);
    uint8_t b, m;
    uint16_t reserved1, reserved2;
    uint32_t fileSize, rowsOffset;
    if (!in.u8(b) || !in.u8(m) || !in.u32(fileSize) || !in.u16(reserved1) || !in.u16(reserved2) ||
        !in.u32(rowsOffset))
        return false;
    if (b != 'B' || m != 'M' || fileSize != file.size() || rowsOffset > file.size()) return false;
    dib = file.subspan(kFileHeaderSize);
    return true;
}

std::vector<uint8_t> WriteBmpFile(const DibImage& image) {
    const bool indexed = image.bitsPerPixel == 8;
    DibHeader h;
    h.width = image.width;
    h.height = image.height;
    h.bitsPerPixel = indexed ? 8 : 24;
    const uint64_t stride = Stride(h);
    const uint32_t tableBytes = indexed ? static_cast<uint32_t>(image.colours.size() * 4) : 0;
    const uint32_t rowsOffset = uint32_t(kFileHeaderSize + kInfoHeaderSize) + tableBytes;
    const uint32_t rowBytes = static_cast<uint32_t>(stride * uint64_t(image.height));

    ByteWriter out;
    out.u8('B');
    out.u8('M');
    out.u32(rowsOffset + rowBytes);
    out.u32(0);  // two reserved words
    out.u32(rowsOffset);
    out.u32(kInfoHeaderSize);
    out.u32(static_cast<uint32_t>(image.width));
    out.u32(static_cast<uint32_t>(image.height));
    out.u16(1);
    out.u16(h.bitsPerPixel);
    out.u32(kUncompressed);
    out.u32(rowBytes);
    out.u32(2835);  // 72 dots per inch, in dots per metre
    out.u32(2835);
    out.u32(indexed ? static_cast<uint32_t>(image.colours.size()) : 0);
    out.u32(0);  // every colour is important
    if (indexed) {
        for (uint32_t c : image.colours)
            out.u32(c & 0xFFFFFF);  // blue, green, red, 0 in memory order
    }
    const size_t w = static_cast<size_t>(image.width);
    for (size_t y = static_cast<size_t>(image.height); y-- > 0;) {
        size_t written = 0;
        for (size_t x = 0; x < w; ++x) {
            if (indexed) {
                out.u8(image.indices[y * w + x]);
                written += 1;
            } else {
                const uint32_t p = image.pixels[y * w + x];
                out.u8(static_cast<uint8_t>(p));
                out.u8(static_cast<uint8_t>(p >> 8));
                out.u8(static_cast<uint8_t>(p >> 16));
                written += 3;
            }
        }
        for (; written < stride; ++written)
            out.u8(0);
    }
    return out.release();
}

}  // namespace qmt
