#pragma once
// Reading a fuzz input as a small structure (bytes, 16-bit numbers, length-prefixed blocks)
// and writing seeds in the same shape. Reads past the end give zeros and empty blocks, so
// every input, however short, is a valid structure.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

namespace qmt::fuzz {

class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : bytes_(data, size) {}

    bool empty() const { return pos_ >= bytes_.size(); }
    size_t remaining() const { return bytes_.size() - pos_; }

    uint8_t u8() { return empty() ? 0 : bytes_[pos_++]; }
    uint16_t u16() {
        const uint8_t low = u8();
        return static_cast<uint16_t>(low | u8() << 8);
    }
    // Up to `count` bytes.
    std::span<const uint8_t> take(size_t count) {
        const size_t n = count < remaining() ? count : remaining();
        const auto part = bytes_.subspan(pos_, n);
        pos_ += n;
        return part;
    }
    std::span<const uint8_t> rest() { return take(remaining()); }
    // A 16-bit length, then up to that many bytes.
    std::span<const uint8_t> block() { return take(u16()); }

  private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

// Builds seeds that FuzzInput reads back as meant.
class SeedWriter {
  public:
    SeedWriter& u8(uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    SeedWriter& u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        return u8(static_cast<uint8_t>(v >> 8));
    }
    SeedWriter& raw(std::span<const uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    SeedWriter& block(std::span<const uint8_t> bytes) {
        u16(static_cast<uint16_t>(bytes.size() < 0xFFFF ? bytes.size() : 0xFFFF));
        return raw(bytes.first(bytes.size() < 0xFFFF ? bytes.size() : 0xFFFF));
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

// A property every input must keep. A failure stops the run the way a sanitizer does, so the
// fuzzer records the input.
[[noreturn]] inline void PropertyFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

}  // namespace qmt::fuzz

#define QMT_FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::qmt::fuzz::PropertyFailed(#condition, __FILE__, __LINE__))
