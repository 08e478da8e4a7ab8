#pragma once
// PCM WAV files of 16, 24 or 32-bit integer samples: whole files read into memory (to play
// them) and long recordings written as they come (the sizes in the header are filled in
// when the writer is closed). Samples travel as signed 32-bit values of the file's width.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace qmt {

struct WavFormat {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0;
};

struct WavData {
    WavFormat format;
    std::vector<int32_t> samples;  // interleaved

    size_t frames() const { return format.channels == 0 ? 0 : samples.size() / format.channels; }
};

// Plain PCM and the extensible form with the PCM sub-format; anything else is an error
// naming what the file holds instead. A data chunk cut short by the end of the file reads as
// the whole frames it holds.
bool readWavFile(const std::string& path, WavData& data, std::string& error);
bool writeWavFile(const std::string& path, const WavData& data, std::string& error);

// The same from and to memory: a whole file's bytes (the errors do not name a file), and the
// bytes writeWavFile writes. Empty when the format cannot be written.
bool parseWavBytes(std::span<const uint8_t> bytes, WavData& data, std::string& error);
std::vector<uint8_t> wavFileBytes(const WavData& data);

class WavWriter {
  public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool open(const std::string& path, const WavFormat& format, std::string& error);
    // Interleaved frames of the format's channel count.
    bool write(const int32_t* samples, size_t frames);
    // Fills in the sizes; false when the file could not be completed.
    bool close();
    bool isOpen() const { return file_ != nullptr; }
    uint64_t framesWritten() const { return frames_; }

  private:
    std::FILE* file_ = nullptr;
    WavFormat format_;
    uint64_t frames_ = 0;
    bool failed_ = false;
    std::vector<uint8_t> bytes_;
};

}  // namespace qmt
