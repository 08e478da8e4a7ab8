#include "platform/PcmWaveFormat.h"

#include <cstring>

namespace qmt {

bool DecodePcmWaveFormat(std::span<const uint8_t> bytes, PcmWaveFormat& format) {
    WAVEFORMATEX plain;
    if (bytes.size() < sizeof plain) return false;
    std::memcpy(&plain, bytes.data(), sizeof plain);
    if (bytes.size() < sizeof plain + plain.cbSize) return false;
    format = PcmWaveFormat{};
    if (plain.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        WAVEFORMATEXTENSIBLE wide;
        if (plain.cbSize < sizeof wide - sizeof plain) return false;
        std::memcpy(&wide, bytes.data(), sizeof wide);
        if (wide.SubFormat != KSDATAFORMAT_SUBTYPE_PCM) return false;
        format.extensible = true;
        format.validBits = wide.Samples.wValidBitsPerSample;
        format.channelMask = wide.dwChannelMask;
    } else if (plain.wFormatTag != WAVE_FORMAT_PCM) {
        return false;
    }
    format.channels = plain.nChannels;
    format.sampleRate = plain.nSamplesPerSec;
    format.bitsPerSample = plain.wBitsPerSample;
    format.blockAlign = plain.nBlockAlign;
    if (!format.extensible) format.validBits = plain.wBitsPerSample;
    return format.channels != 0 && format.sampleRate != 0 && format.bitsPerSample % 8 == 0 &&
           format.bitsPerSample != 0 &&
           format.blockAlign == format.channels * (format.bitsPerSample / 8);
}

KSDATARANGE_AUDIO MakePcmDataRange(uint32_t channels, uint32_t minBits, uint32_t maxBits,
                                   uint32_t minRate, uint32_t maxRate) {
    KSDATARANGE_AUDIO range;
    range.DataRange.FormatSize = sizeof(KSDATARANGE_AUDIO);
    range.DataRange.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    range.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    range.DataRange.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
    range.MaximumChannels = channels;
    range.MinimumBitsPerSample = minBits;
    range.MaximumBitsPerSample = maxBits;
    range.MinimumSampleFrequency = minRate;
    range.MaximumSampleFrequency = maxRate;
    return range;
}

}  // namespace qmt
