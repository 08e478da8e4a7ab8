#pragma once
// An audio streaming pin: the PCM data ranges it offers and the rule by which it accepts a
// wave format. Ranges are kept only when the pin streams through the standard interface and
// medium, and only those of the audio major format whose specifier is WAVEFORMATEX (or a
// wildcard). A format is accepted by a kept range whose MaximumChannels equals the format's
// channel count exactly (USB cards list one range per channel layout, so a range of 1 to 8
// channels is not one that takes 2), whose bit and rate bounds hold the format's, and whose
// sub-format matches (PCM for a plain WAVEFORMATEX) or is a wildcard.

#include <vector>

#include "asio/CKsPin.h"

namespace qmt {

class CKsAudPin final : public CKsPin {
  public:
    CKsAudPin(CKsFilter& filter, uint32_t index, AudioPinDescription description,
              HRESULT descriptionStatus);

    const std::vector<KSDATARANGE_AUDIO>& audioDataRanges() const { return audioRanges_; }
    bool acceptsFormat(const WAVEFORMATEXTENSIBLE& format) const;
    // Creates the pin in the format (standard streaming, standard medium, normal priority).
    HRESULT create(const WAVEFORMATEXTENSIBLE& format);
    // The format the pin was created with last.
    const WAVEFORMATEXTENSIBLE& format() const { return format_; }

  private:
    WAVEFORMATEXTENSIBLE format_;
    std::vector<KSDATARANGE_AUDIO> audioRanges_;
};

}  // namespace qmt
