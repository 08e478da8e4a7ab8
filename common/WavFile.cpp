#include "common/WavFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace qmt {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The header this writer makes: RIFF, fmt (16 bytes of plain PCM) and the data chunk's head.
constexpr size_t kHeaderSize = 44;
// A RIFF size is 32 bits; a recording stops growing before it passes that.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFu - kHeaderSize;

uint32_t readLe(const uint8_t* bytes, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value |= uint32_t{bytes[i]} << (8 * i);
    return value;
}

void putLe(std::vector<uint8_t>& out, uint32_t value, size_t count) {
    for (size_t i = 0; i < count; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> header(const WavFormat& format, uint32_t dataBytes) {
    const uint32_t blockAlign = format.channels * (format.bitsPerSample / 8u);
    std::vector<uint8_t> out;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    putLe(out, dataBytes + (dataBytes & 1) + kHeaderSize - 8, 4);  // odd data gets a pad byte
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(out, 16, 4);
    putLe(out, kFormatPcm, 2);
    putLe(out, format.channels, 2);
    putLe(out, format.sampleRate, 4);
    putLe(out, format.sampleRate * blockAlign, 4);
    putLe(out, blockAlign, 2);
    putLe(out, format.bitsPerSample, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    putLe(out, dataBytes, 4);
    return out;
}

bool supportedWidth(uint16_t bits) {
    return bits == 16 || bits == 24 || bits == 32;
}

// What the reader takes back: a file written with less could not be played.
bool writable(const WavFormat& format) {
    return supportedWidth(format.bitsPerSample) && format.channels != 0 && format.sampleRate != 0;
}

int32_t sampleAt(const uint8_t* bytes, uint16_t bits) {
    const uint32_t raw = readLe(bytes, bits / 8u);
    const unsigned shift = 32u - bits;
    return static_cast<int32_t>(raw << shift) >> shift;
}

void encode(const int32_t* samples, size_t count, uint16_t bits, std::vector<uint8_t>& out) {
    out.clear();
    for (size_t i = 0; i < count; ++i)
        putLe(out, static_cast<uint32_t>(samples[i]), bits / 8u);
}

bool readFormat(const uint8_t* chunk, uint32_t size, WavFormat& format, std::string& error) {
    if (size < 16) {
        error = "its format chunk is too short";
        return false;
    }
    uint16_t tag = static_cast<uint16_t>(readLe(chunk, 2));
    if (tag == kFormatExtensible && size >= 40) {
        // The sub-format's first two bytes carry the plain format tag.
        tag = static_cast<uint16_t>(readLe(chunk + 24, 2));
    }
    format.channels = static_cast<uint16_t>(readLe(chunk + 2, 2));
    format.sampleRate = readLe(chunk + 4, 4);
    format.bitsPerSample = static_cast<uint16_t>(readLe(chunk + 14, 2));
    if (tag != kFormatPcm) {
        error = "it is not integer PCM (format " + std::to_string(tag) + ")";
        return false;
    }
    if (!supportedWidth(format.bitsPerSample) || format.channels == 0 || format.sampleRate == 0) {
        error = "it has " + std::to_string(format.bitsPerSample) + "-bit samples in " +
                std::to_string(format.channels) + " channels (16, 24 or 32 bits are read)";
        return false;
    }
    return true;
}

}  // namespace

bool parseWavBytes(std::span<const uint8_t> bytes, WavData& data, std::string& error) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = "not a WAV file";
        return false;
    }
    bool haveFormat = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = readLe(&bytes[at + 4], 4);
        const size_t body = at + 8;
        const size_t available = bytes.size() - body;
        const uint32_t length = size <= available ? size : static_cast<uint32_t>(available);
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0) {
            if (!readFormat(&bytes[body], length, data.format, error)) return false;
            haveFormat = true;
        } else if (std::memcmp(&bytes[at], "data", 4) == 0 && haveFormat) {
            const size_t width = data.format.bitsPerSample / 8u;
            const size_t count = length / width / data.format.channels * data.format.channels;
            data.samples.resize(count);
            for (size_t i = 0; i < count; ++i)
                data.samples[i] = sampleAt(&bytes[body + i * width], data.format.bitsPerSample);
            return true;
        }
        at = body + size + (size & 1);  // chunks are padded to even sizes
    }
    error = haveFormat ? "no data chunk" : "no format chunk";
    return false;
}

bool readWavFile(const std::string& path, WavData& data, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (!parseWavBytes(bytes, data, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<uint8_t> wavFileBytes(const WavData& data) {
    const WavFormat& format = data.format;
    if (!writable(format)) return {};
    const size_t count = data.frames() * format.channels;
    const uint64_t dataBytes = uint64_t{count} * (format.bitsPerSample / 8u);
    if (dataBytes > kMaxDataBytes) return {};
    std::vector<uint8_t> out = header(format, static_cast<uint32_t>(dataBytes));
    std::vector<uint8_t> samples;
    encode(data.samples.data(), count, format.bitsPerSample, samples);
    out.insert(out.end(), samples.begin(), samples.end());
    if (dataBytes & 1) out.push_back(0);
    return out;
}

bool writeWavFile(const std::string& path, const WavData& data, std::string& error) {
    const std::vector<uint8_t> bytes = wavFileBytes(data);
    if (bytes.empty()) {
        error =
            "WAV files here hold 16, 24 or 32-bit samples in at least one channel at a "
            "sample rate above 0, below 4 GB";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

WavWriter::~WavWriter() {
    close();
}

bool WavWriter::open(const std::string& path, const WavFormat& format, std::string& error) {
    close();
    if (!writable(format)) {
        error =
            "WAV files here hold 16, 24 or 32-bit samples in at least one channel at a "
            "sample rate above 0";
        return false;
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    format_ = format;
    frames_ = 0;
    failed_ = false;
    const std::vector<uint8_t> head = header(format, 0);
    failed_ = std::fwrite(head.data(), 1, head.size(), file_) != head.size();
    return true;
}

bool WavWriter::write(const int32_t* samples, size_t frames) {
    if (file_ == nullptr || failed_) return false;
    const uint64_t frameBytes = uint64_t{format_.channels} * (format_.bitsPerSample / 8u);
    if ((frames_ + frames) * frameBytes > kMaxDataBytes) {
        failed_ = true;
        return false;
    }
    encode(samples, frames * format_.channels, format_.bitsPerSample, bytes_);
    failed_ = std::fwrite(bytes_.data(), 1, bytes_.size(), file_) != bytes_.size();
    if (!failed_) frames_ += frames;
    return !failed_;
}

bool WavWriter::close() {
    if (file_ == nullptr) return false;
    const uint64_t dataBytes = frames_ * format_.channels * (format_.bitsPerSample / 8u);
    const std::vector<uint8_t> head = header(format_, static_cast<uint32_t>(dataBytes));
    bool ok = !failed_ && ((dataBytes & 1) == 0 || std::fputc(0, file_) == 0) &&
              std::fseek(file_, 0, SEEK_SET) == 0 &&
              std::fwrite(head.data(), 1, head.size(), file_) == head.size();
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}

}  // namespace qmt
