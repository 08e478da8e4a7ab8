#pragma once
// The kernel's loopback sound card (snd-aloop) standing in for a controller's card: what is
// played on device 0 is captured on device 1 with the same substream number and the other
// way round, bit for bit, in real time. Loaded on first use inside the guest; elsewhere the
// tests skip. RawPcm is a plain blocking ALSA stream for the test's side of the loop.

#include <alsa/asoundlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qmt::vm {

// The loopback card's number, loading snd-aloop when needed; -1 with `why` when there is none.
int LoopbackCardIndex(std::string& why);
// The numbers of the first `count` loopback cards (each with a timer of its own, so two of
// them are two clocks, as two controllers' cards are); the module is loaded with two cards,
// or loaded again with them when it holds fewer. Empty with `why` when there are not enough.
std::vector<int> LoopbackCardIndices(size_t count, std::string& why);
// Makes a loopback card's cable run `ppm` parts per million fast (negative: slow) through its
// "PCM Rate Shift 100000" control, on both ends of substream 0; false with `why`.
bool ShiftLoopbackRate(int card, int ppm, std::string& why);

class RawPcm {
  public:
    RawPcm(const std::string& device, bool capture, unsigned channels, unsigned rate);
    ~RawPcm();
    RawPcm(const RawPcm&) = delete;
    RawPcm& operator=(const RawPcm&) = delete;

    bool ok() const { return pcm_ != nullptr; }
    const std::string& error() const { return error_; }
    // Blocking transfers of interleaved 16-bit frames; false on a failure that did not recover.
    bool write(const std::vector<int16_t>& frames);
    bool read(std::vector<int16_t>& frames, size_t frameCount);

  private:
    snd_pcm_t* pcm_ = nullptr;
    unsigned channels_;
    std::string error_;
};

}  // namespace qmt::vm
