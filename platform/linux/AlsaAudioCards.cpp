#include "platform/linux/AlsaAudioCards.h"

#include <alsa/asoundlib.h>

#include <vector>

#include "common/AsciiCase.h"
#include "platform/PcmWaveFormat.h"
#include "platform/linux/AlsaCardList.h"
#include "platform/linux/AlsaDataRanges.h"
#include "platform/linux/AlsaPcmPin.h"

namespace qmt {

namespace {

// A PCM's hardware parameters asked through a scratch copy for each question.
class AlsaCapabilities final : public PcmCapabilitiesIf {
  public:
    AlsaCapabilities(snd_pcm_t* pcm, snd_pcm_hw_params_t* all) : pcm_(pcm), all_(all) {
        snd_pcm_hw_params_malloc(&scratch_);
    }
    ~AlsaCapabilities() override { snd_pcm_hw_params_free(scratch_); }

    bool channelRange(unsigned& min, unsigned& max) override {
        return snd_pcm_hw_params_get_channels_min(all_, &min) == 0 &&
               snd_pcm_hw_params_get_channels_max(all_, &max) == 0;
    }
    bool rateRange(unsigned channels, unsigned& min, unsigned& max) override {
        if (!withChannels(channels)) return false;
        return snd_pcm_hw_params_get_rate_min(scratch_, &min, nullptr) == 0 &&
               snd_pcm_hw_params_get_rate_max(scratch_, &max, nullptr) == 0;
    }
    bool accepts(unsigned channels, unsigned bits, unsigned rate) override {
        const snd_pcm_format_t format = bits == 16   ? SND_PCM_FORMAT_S16_LE
                                        : bits == 24 ? SND_PCM_FORMAT_S24_3LE
                                                     : SND_PCM_FORMAT_S32_LE;
        return withChannels(channels) &&
               snd_pcm_hw_params_set_format(pcm_, scratch_, format) == 0 &&
               snd_pcm_hw_params_test_rate(pcm_, scratch_, rate, 0) == 0;
    }

  private:
    bool withChannels(unsigned channels) {
        snd_pcm_hw_params_copy(scratch_, all_);
        return snd_pcm_hw_params_set_rate_resample(pcm_, scratch_, 0) == 0 &&
               snd_pcm_hw_params_set_access(pcm_, scratch_, SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
               snd_pcm_hw_params_set_channels(pcm_, scratch_, channels) == 0;
    }

    snd_pcm_t* pcm_;
    snd_pcm_hw_params_t* all_;
    snd_pcm_hw_params_t* scratch_ = nullptr;
};

// The ranges of a PCM, opened for the question and closed again.
HRESULT probeRanges(const AlsaPcmAddress& address, const std::string& procRoot,
                    std::vector<KSDATARANGE_AUDIO>& ranges, std::string& detail) {
    snd_pcm_t* pcm = nullptr;
    const HRESULT opened = OpenAlsaPcm(address, procRoot, pcm, detail);
    if (Failed(opened)) return opened;
    snd_pcm_hw_params_t* all = nullptr;
    snd_pcm_hw_params_malloc(&all);
    if (all != nullptr && snd_pcm_hw_params_any(pcm, all) >= 0) {
        AlsaCapabilities capabilities(pcm, all);
        ranges = MakeDataRanges(capabilities);
    }
    snd_pcm_hw_params_free(all);
    snd_pcm_close(pcm);
    return S_OK;
}

class AlsaCardFilter final : public AudioCardFilterIf {
  public:
    AlsaCardFilter(AlsaCardDevices devices, std::string procRoot)
        : devices_(std::move(devices)), procRoot_(std::move(procRoot)) {
        if (devices_.playback.present()) pins_.push_back(devices_.playback);
        if (devices_.capture.present()) pins_.push_back(devices_.capture);
    }

    std::string friendlyName() override { return devices_.name; }
    uint32_t pinCount() override { return static_cast<uint32_t>(pins_.size()); }

    HRESULT describePin(uint32_t pin, AudioPinDescription& description) override {
        detail_.clear();
        if (pin >= pins_.size()) return E_INVALIDARG;
        const AlsaPcmAddress& address = pins_[pin];
        description = AudioPinDescription{};
        description.dataFlow = address.capture ? KSPIN_DATAFLOW_OUT : KSPIN_DATAFLOW_IN;
        description.communication = KSPIN_COMMUNICATION_SINK;
        description.name = address.capture ? "Capture" : "Playback";
        const HRESULT status = probeRanges(address, procRoot_, description.dataRanges, detail_);
        if (Failed(status)) return status;
        description.interfaces.push_back(
            {KSINTERFACESETID_Standard, KSINTERFACE_STANDARD_STREAMING, 0});
        description.mediums.push_back({KSMEDIUMSETID_Standard, KSMEDIUM_TYPE_ANYINSTANCE, 0});
        return S_OK;
    }

    HRESULT createPin(const KSPIN_CONNECT& connect, const KSDATAFORMAT& format,
                      std::span<const uint8_t> waveFormat,
                      std::unique_ptr<AudioCardPinIf>& pin) override {
        detail_.clear();
        if (connect.PinId >= pins_.size()) return E_INVALIDARG;
        PcmWaveFormat wave;
        if (connect.Interface.Set != KSINTERFACESETID_Standard ||
            connect.Medium.Set != KSMEDIUMSETID_Standard ||
            format.MajorFormat != KSDATAFORMAT_TYPE_AUDIO ||
            format.Specifier != KSDATAFORMAT_SPECIFIER_WAVEFORMATEX ||
            !DecodePcmWaveFormat(waveFormat, wave))
            return HresultFromWin32(kErrorNoMatch);
        // ALSA places channels by the card's own map; the speaker mask of the extensible form
        // names the same channels in the same order, so it is taken as given.
        return AlsaPcmPin::Open(pins_[connect.PinId], wave, procRoot_, pin, detail_);
    }

    std::string lastErrorDetail() override { return detail_; }

  private:
    const AlsaCardDevices devices_;
    const std::string procRoot_;
    std::vector<AlsaPcmAddress> pins_;  // render first, then capture
    std::string detail_;
};

}  // namespace

std::string AlsaPcmAddress::deviceName() const {
    std::string name = "hw:" + std::to_string(card) + "," + std::to_string(device);
    if (subdevice >= 0) name += "," + std::to_string(subdevice);
    return name;
}

AlsaCardLookup SysfsAlsaCardLookup(std::string sysRoot) {
    return [sysRoot](const std::string& path, AlsaCardDevices& devices) {
        for (const AlsaCardEntry& card : ListAlsaCards(sysRoot)) {
            if (!equalsIgnoreCase(card.path, path)) continue;
            char* name = nullptr;
            devices = AlsaCardDevices{};
            if (snd_card_get_name(card.card, &name) == 0 && name != nullptr) {
                devices.name = name;
                ::free(name);
            } else {
                devices.name = "card " + std::to_string(card.card);
            }
            devices.playback = {card.card, card.playbackDevice, -1, false};
            devices.capture = {card.card, card.captureDevice, -1, true};
            if (card.playbackDevice < 0) devices.playback = {};
            if (card.captureDevice < 0) devices.capture = {};
            return true;
        }
        return false;
    };
}

AlsaAudioCards::AlsaAudioCards(AlsaCardLookup lookup, std::string procRoot)
    : lookup_(std::move(lookup)), procRoot_(std::move(procRoot)) {}

HRESULT AlsaAudioCards::openFilter(const std::string& path,
                                   std::unique_ptr<AudioCardFilterIf>& filter) {
    AlsaCardDevices devices;
    if (!lookup_ || !lookup_(path, devices)) return HresultFromWin32(kErrorFileNotFound);
    filter = std::make_unique<AlsaCardFilter>(std::move(devices), procRoot_);
    return S_OK;
}

}  // namespace qmt
