#pragma once
// Owners of ALSA's hardware and software parameter blocks, which alsa-lib allocates and frees
// itself; every place that sets up a PCM holds them this way so no early return leaks one.

#include <alsa/asoundlib.h>

namespace qmt {

struct AlsaHwParams {
    AlsaHwParams() { snd_pcm_hw_params_malloc(&params); }
    ~AlsaHwParams() { snd_pcm_hw_params_free(params); }
    AlsaHwParams(const AlsaHwParams&) = delete;
    AlsaHwParams& operator=(const AlsaHwParams&) = delete;
    snd_pcm_hw_params_t* params = nullptr;
};

struct AlsaSwParams {
    AlsaSwParams() { snd_pcm_sw_params_malloc(&params); }
    ~AlsaSwParams() { snd_pcm_sw_params_free(params); }
    AlsaSwParams(const AlsaSwParams&) = delete;
    AlsaSwParams& operator=(const AlsaSwParams&) = delete;
    snd_pcm_sw_params_t* params = nullptr;
};

}  // namespace qmt
