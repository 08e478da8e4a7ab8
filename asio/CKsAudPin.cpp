#include "asio/CKsAudPin.h"

#include <algorithm>

#include "asio/KsAudioFormat.h"

namespace qmt {

namespace {

// The subclass of KSPRIORITY_NORMAL the pins are created with.
constexpr uint32_t kPrioritySubClass = 1;

bool matchesOrWild(const Guid& value, const Guid& wanted) {
    return value == wanted || value == KSDATAFORMAT_WILDCARD;
}

bool streamsStandard(const CKsPin& pin) {
    const bool interface =
        std::any_of(pin.interfaces().begin(), pin.interfaces().end(), [](const KSPIN_INTERFACE& i) {
            return i.Set == KSINTERFACESETID_Standard && i.Id == KSINTERFACE_STANDARD_STREAMING;
        });
    const bool medium =
        std::any_of(pin.mediums().begin(), pin.mediums().end(),
                    [](const KSPIN_MEDIUM& m) { return m.Set == KSMEDIUMSETID_Standard; });
    return interface && medium;
}

}  // namespace

CKsAudPin::CKsAudPin(CKsFilter& filter, uint32_t index, AudioPinDescription description,
                     HRESULT descriptionStatus)
    : CKsPin(filter, index, std::move(description), descriptionStatus) {
    if (!streamsStandard(*this)) return;
    for (const KSDATARANGE_AUDIO& range : dataRanges()) {
        if (matchesOrWild(range.DataRange.MajorFormat, KSDATAFORMAT_TYPE_AUDIO) &&
            matchesOrWild(range.DataRange.Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX))
            audioRanges_.push_back(range);
    }
}

bool CKsAudPin::acceptsFormat(const WAVEFORMATEXTENSIBLE& format) const {
    const WAVEFORMATEX& f = format.Format;
    const Guid subFormat = subFormatOf(format);
    return std::any_of(audioRanges_.begin(), audioRanges_.end(), [&](const KSDATARANGE_AUDIO& r) {
        return matchesOrWild(r.DataRange.SubFormat, subFormat) &&
               r.MaximumChannels == f.nChannels && r.MinimumBitsPerSample <= f.wBitsPerSample &&
               f.wBitsPerSample <= r.MaximumBitsPerSample &&
               r.MinimumSampleFrequency <= f.nSamplesPerSec &&
               f.nSamplesPerSec <= r.MaximumSampleFrequency;
    });
}

HRESULT CKsAudPin::create(const WAVEFORMATEXTENSIBLE& format) {
    KSPIN_CONNECT connect;
    connect.Interface = {KSINTERFACESETID_Standard, KSINTERFACE_STANDARD_STREAMING, 0};
    connect.Medium = {KSMEDIUMSETID_Standard, KSMEDIUM_TYPE_ANYINSTANCE, 0};
    connect.PinId = index();
    connect.PinToHandle = nullptr;
    connect.Priority = {KSPRIORITY_NORMAL, kPrioritySubClass};
    const std::span<const uint8_t> wave = waveFormatBytes(format);
    KSDATAFORMAT dataFormat;
    dataFormat.FormatSize = static_cast<uint32_t>(sizeof(KSDATAFORMAT) + wave.size());
    dataFormat.SampleSize = format.Format.nChannels * format.Format.wBitsPerSample / 8u;
    dataFormat.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    dataFormat.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    dataFormat.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
    const HRESULT status = CKsPin::create(connect, dataFormat, wave);
    if (Succeeded(status)) format_ = format;
    return status;
}

}  // namespace qmt
