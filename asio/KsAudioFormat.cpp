#include "asio/KsAudioFormat.h"

#include <algorithm>
#include <cstring>

namespace qmt {

namespace {

constexpr uint16_t kExtensibleExtraBytes = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);

constexpr uint32_t kStereoMasks[] = {0x3};
constexpr uint32_t kQuadMasks[] = {0x603, 0x33};
constexpr uint32_t kFiveOneMasks[] = {0x60F, 0x3F};
constexpr uint32_t kSevenOneMasks[] = {0x6F3, 0x63F, 0xFF};
// No layout is known for other counts: the extensible form goes once with no speaker
// positions (the "direct out" mask, 0).
constexpr uint32_t kNoMask[] = {0};

}  // namespace

WAVEFORMATEXTENSIBLE makeExtensibleFormat(uint16_t channels, uint32_t sampleRate,
                                          uint16_t bitsPerSample, uint32_t channelMask) {
    WAVEFORMATEXTENSIBLE format;
    format.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    format.Format.nChannels = channels;
    format.Format.nSamplesPerSec = sampleRate;
    format.Format.wBitsPerSample = bitsPerSample;
    format.Format.nBlockAlign = static_cast<uint16_t>(bitsPerSample / 8 * channels);
    format.Format.nAvgBytesPerSec = format.Format.nBlockAlign * sampleRate;
    format.Format.cbSize = kExtensibleExtraBytes;
    format.Samples.wValidBitsPerSample = bitsPerSample;
    format.dwChannelMask = channelMask;
    format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    return format;
}

WAVEFORMATEXTENSIBLE toPlainFormat(const WAVEFORMATEXTENSIBLE& format) {
    return makePlainFormat(format.Format);
}

WAVEFORMATEXTENSIBLE makePlainFormat(const WAVEFORMATEX& format) {
    WAVEFORMATEXTENSIBLE plain;
    plain.Format = format;
    plain.Format.wFormatTag = WAVE_FORMAT_PCM;
    plain.Format.cbSize = 0;
    return plain;
}

std::span<const uint32_t> channelMasksFor(unsigned channels) {
    switch (channels) {
        case 2:
            return kStereoMasks;
        case 4:
            return kQuadMasks;
        case 6:
            return kFiveOneMasks;
        case 8:
            return kSevenOneMasks;
        default:
            return kNoMask;
    }
}

std::span<const uint8_t> waveFormatBytes(const WAVEFORMATEXTENSIBLE& format) {
    const size_t size =
        std::min<size_t>(sizeof(WAVEFORMATEX) + format.Format.cbSize, sizeof(WAVEFORMATEXTENSIBLE));
    return {reinterpret_cast<const uint8_t*>(&format), size};
}

Guid subFormatOf(const WAVEFORMATEXTENSIBLE& format) {
    return format.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE &&
                   format.Format.cbSize >= kExtensibleExtraBytes
               ? format.SubFormat
               : KSDATAFORMAT_SUBTYPE_PCM;
}

bool sameFormat(const WAVEFORMATEXTENSIBLE& a, const WAVEFORMATEXTENSIBLE& b) {
    const auto left = waveFormatBytes(a);
    const auto right = waveFormatBytes(b);
    return left.size() == right.size() && std::memcmp(left.data(), right.data(), left.size()) == 0;
}

}  // namespace qmt
