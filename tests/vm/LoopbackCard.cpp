#include "LoopbackCard.h"

#include <cstdlib>

#include "GuestEnvironment.h"

namespace qmt::vm {

namespace {

std::vector<int> presentLoopbackCards() {
    std::vector<int> cards;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        snd_ctl_t* control = nullptr;
        const std::string name = "hw:" + std::to_string(card);
        if (snd_ctl_open(&control, name.c_str(), 0) < 0) continue;
        snd_ctl_card_info_t* info = nullptr;
        snd_ctl_card_info_alloca(&info);
        if (snd_ctl_card_info(control, info) == 0 &&
            std::string(snd_ctl_card_info_get_driver(info)) == "Loopback")
            cards.push_back(card);
        snd_ctl_close(control);
    }
    return cards;
}

}  // namespace

std::vector<int> LoopbackCardIndices(size_t count, std::string& why) {
    std::vector<int> cards = presentLoopbackCards();
    if (cards.size() < count && InGuest()) {
        // The guest runs as root with the distribution's modules; a host test never loads
        // any. Every test asks for the same two cards, so the order they run in is free.
        const bool unloaded = cards.empty() || std::system("modprobe -r snd-aloop") == 0;
        if (unloaded && std::system("modprobe snd-aloop enable=1,1") == 0)
            cards = presentLoopbackCards();
    }
    if (cards.size() < count) {
        why = InGuest() ? "modprobe snd-aloop gave " + std::to_string(cards.size()) +
                              " loopback cards, not " + std::to_string(count)
                        : "no loopback card (module snd-aloop)";
        return {};
    }
    cards.resize(count);
    return cards;
}

int LoopbackCardIndex(std::string& why) {
    const std::vector<int> cards = LoopbackCardIndices(1, why);
    return cards.empty() ? -1 : cards[0];
}

bool ShiftLoopbackRate(int card, int ppm, std::string& why) {
    snd_ctl_t* control = nullptr;
    const std::string name = "hw:" + std::to_string(card);
    int error = snd_ctl_open(&control, name.c_str(), 0);
    if (error < 0) {
        why = name + ": " + snd_strerror(error);
        return false;
    }
    snd_ctl_elem_value_t* value = nullptr;
    snd_ctl_elem_value_alloca(&value);
    // The control's unit is 1/100000 of the nominal rate: 100005 runs 50 ppm fast.
    for (unsigned device = 0; device < 2 && error >= 0; ++device) {
        snd_ctl_elem_value_clear(value);
        snd_ctl_elem_value_set_interface(value, SND_CTL_ELEM_IFACE_PCM);
        snd_ctl_elem_value_set_name(value, "PCM Rate Shift 100000");
        snd_ctl_elem_value_set_device(value, device);
        snd_ctl_elem_value_set_subdevice(value, 0);
        snd_ctl_elem_value_set_integer(value, 0, 100000 + ppm / 10);
        error = snd_ctl_elem_write(control, value);
    }
    snd_ctl_close(control);
    if (error < 0) why = name + " rate shift: " + snd_strerror(error);
    return error >= 0;
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
