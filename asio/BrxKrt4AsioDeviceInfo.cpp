#include "asio/BrxKrt4AsioDeviceInfo.h"

#include "asio/BrxKrt4AsioDeviceConfiguration_4Out4In.h"
#include "asio/BrxKrt4AsioDeviceConfiguration_8Out2In.h"
#include "asio/CKsAudFilter.h"

namespace qmt {

BrxKrt4AsioDeviceInfo::BrxKrt4AsioDeviceInfo(const std::string& hidDeviceId,
                                             const std::string* audioDeviceId, size_t index,
                                             const std::string& serial, DeviceModelIf* model)
    : AsioDeviceInfo(hidDeviceId, audioDeviceId, index, serial, model) {
    addConfiguration(std::make_unique<BrxKrt4AsioDeviceConfiguration_8Out2In>());
    addConfiguration(std::make_unique<BrxKrt4AsioDeviceConfiguration_4Out4In>());
}

void BrxKrt4AsioDeviceInfo::setRenderFilter(std::unique_ptr<CKsAudRenFilter> filter) {
    AsioDeviceInfo::setRenderFilter(std::move(filter));
    if (getRenderFilter() != nullptr) probeConfiguration(*getRenderFilter());
}

bool BrxKrt4AsioDeviceInfo::acceptsSomeFormat(CKsAudRenFilter& filter,
                                              const AsioDeviceConfigurationIf& config) {
    for (uint32_t f = 0; f < config.getNumberOfFormats(); ++f) {
        const AsioDeviceFormat& format = *config.getFormat(f);
        // A plain PCM format: the extensible form's channel masks are not needed to tell
        // the modes apart, the channel count is.
        WAVEFORMATEX wave{};
        wave.wFormatTag = WAVE_FORMAT_PCM;
        wave.nChannels = static_cast<uint16_t>(format.renderChannels);
        wave.nSamplesPerSec = format.sampleRate;
        wave.wBitsPerSample = static_cast<uint16_t>(format.bits);
        wave.nBlockAlign = static_cast<uint16_t>(format.bits / 8 * format.renderChannels);
        wave.nAvgBytesPerSec = wave.nBlockAlign * format.sampleRate;
        wave.cbSize = 0;
        if (filter.findPin(wave) != nullptr) return true;
    }
    return false;
}

void BrxKrt4AsioDeviceInfo::probeConfiguration(CKsAudRenFilter& filter) {
    if (Failed(filter.open())) return;
    if (Succeeded(filter.enumeratePins())) {
        for (size_t c = 0; c < getNumberOfConfigurations(); ++c) {
            if (acceptsSomeFormat(filter, *getConfiguration(c))) {
                selectConfiguration(c);
                return;
            }
        }
    }
    filter.close();
}

}  // namespace qmt
