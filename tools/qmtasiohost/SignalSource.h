#pragma once
// What the host plays to its outputs: a test tone (output n plays a sine of n × 440 Hz at
// a quarter of full scale) or a WAV file (file channel c to the c-th chosen output; a mono
// file to all of them), once from the start, then silence.

#include <cstdint>
#include <string>

#include "common/WavFile.h"

namespace qmt::asiohost {

class SignalSource {
  public:
    static constexpr double kToneHz = 440.0;
    static constexpr double kToneLevel = 0.25;

    // A tone at `rate`, or silence when `tone` is false.
    SignalSource(bool tone, double rate) : tone_(tone), rate_(rate) {}
    // The file's samples; the file's rate is the caller's business.
    explicit SignalSource(WavData file) : file_(std::move(file)), playing_(true) {}

    // Full-scale sample of the output-th chosen output at the frame.
    int32_t sample(size_t output, uint64_t frame) const;
    bool fileEnded(uint64_t frame) const { return playing_ && frame >= file_.frames(); }

  private:
    bool tone_ = false;
    double rate_ = 0;
    WavData file_;
    bool playing_ = false;
};

}  // namespace qmt::asiohost
