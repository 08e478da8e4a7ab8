#pragma once
// Bounds-checked little-endian reading of preset and mapping files, keeping the running
// 8-bit sum that both formats end with. Every read fails cleanly past the end; nothing is
// ever read beyond the data.

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace qmt {

class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t remaining() const { return bytes_.size() - pos_; }
    size_t position() const { return pos_; }
    uint8_t sum() const { return sum_; }

    bool u8(uint8_t& value) {
        if (remaining() < 1) return false;
        value = take();
        return true;
    }
    bool u16(uint16_t& value) {
        if (remaining() < 2) return false;
        value = take();
        value |= static_cast<uint16_t>(take() << 8);
        return true;
    }
    bool u32(uint32_t& value) {
        if (remaining() < 4) return false;
        value = 0;
        for (int i = 0; i < 4; ++i)
            value |= uint32_t{take()} << (8 * i);
        return true;
    }
    bool i8(int8_t& value) {
        uint8_t raw;
        if (!u8(raw)) return false;
        value = static_cast<int8_t>(raw);
        return true;
    }
    bool i16(int16_t& value) {
        uint16_t raw;
        if (!u16(raw)) return false;
        value = static_cast<int16_t>(raw);
        return true;
    }
    bool i32(int32_t& value) {
        uint32_t raw;
        if (!u32(raw)) return false;
        value = static_cast<int32_t>(raw);
        return true;
    }
    // Raw bytes into `out` (which must hold `count` bytes).
    bool bytes(uint8_t* out, size_t count) {
        if (remaining() < count) return false;
        for (size_t i = 0; i < count; ++i)
            out[i] = take();
        return true;
    }
    // A string: 32-bit length, then that many bytes. The length is checked against the
    // bytes that remain before anything is allocated.
    bool string(std::string& value) {
        uint32_t length;
        if (!u32(length) || length > remaining()) return false;
        value.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), length);
        for (uint32_t i = 0; i < length; ++i)
            take();
        return true;
    }
    // Checks the closing checksum byte against the sum of everything before it. Bytes after
    // it are not looked at, as the driver has always stopped reading there.
    bool checksumAtEnd() {
        const uint8_t expected = sum_;
        uint8_t stored;
        if (!u8(stored)) return false;
        return stored == expected;
    }

  private:
    uint8_t take() {
        const uint8_t b = bytes_[pos_++];
        sum_ = static_cast<uint8_t>(sum_ + b);
        return b;
    }

    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
    uint8_t sum_ = 0;
};

// Little-endian writing with the same running sum.
class ByteWriter {
  public:
    void u8(uint8_t v) { out_.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            u8(static_cast<uint8_t>(v >> (8 * i)));
    }
    void raw(std::span<const uint8_t> bytes) {
        out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
    void string(const std::string& s) {
        u32(static_cast<uint32_t>(s.size()));
        for (char c : s)
            out_.push_back(static_cast<uint8_t>(c));
    }
    // Appends the checksum byte and hands the bytes over.
    std::vector<uint8_t> finish() {
        uint8_t sum = 0;
        for (uint8_t b : out_)
            sum = static_cast<uint8_t>(sum + b);
        out_.push_back(sum);
        return std::move(out_);
    }
    // Hands the bytes over as they are, for formats that end without a checksum.
    std::vector<uint8_t> release() { return std::move(out_); }

  private:
    std::vector<uint8_t> out_;
};

}  // namespace qmt
