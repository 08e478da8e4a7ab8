#include "LoopbackCard.h"

#include <cstdlib>

#include "GuestEnvironment.h"

namespace qmt::vm {

int LoopbackCardIndex(std::string& why) {
    int index = snd_card_get_index("Loopback");
    if (index < 0 && InGuest()) {
        // The guest runs as root with the distribution's modules; a host test never loads any.
        if (std::system("modprobe snd-aloop") == 0) index = snd_card_get_index("Loopback");
    }
    if (index < 0)
        why = InGuest() ? "modprobe snd-aloop gave no card \"Loopback\""
                        : "no loopback card (module snd-aloop)";
    return index;
}

RawPcm::RawPcm(const std::string& device, bool capture, unsigned channels, unsigned rate)
    : channels_(channels) {
    int error = snd_pcm_open(&pcm_, device.c_str(),
                             capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, 0);
    if (error == 0)
        error = snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                                   channels, rate, 0, 100000);
    if (error < 0) {
        error_ = device + ": " + snd_strerror(error);
        if (pcm_ != nullptr) snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
}

RawPcm::~RawPcm() {
    if (pcm_ != nullptr) snd_pcm_close(pcm_);
}

bool RawPcm::write(const std::vector<int16_t>& frames) {
    size_t done = 0;
    const size_t total = frames.size() / channels_;
    while (done < total) {
        snd_pcm_sframes_t n = snd_pcm_writei(pcm_, frames.data() + done * channels_, total - done);
        if (n < 0) n = snd_pcm_recover(pcm_, static_cast<int>(n), 1);
        if (n < 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool RawPcm::read(std::vector<int16_t>& frames, size_t frameCount) {
    frames.assign(frameCount * channels_, 0);
    size_t done = 0;
    while (done < frameCount) {
        snd_pcm_sframes_t n =
            snd_pcm_readi(pcm_, frames.data() + done * channels_, frameCount - done);
        if (n < 0) n = snd_pcm_recover(pcm_, static_cast<int>(n), 1);
        if (n < 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace qmt::vm
