#pragma once
// A filter of audio streaming pins: it keeps a CKsAudPin for every pin that communicates as a
// sink, a source or both (bridge pins carry no stream and are left out), and finds the pin
// for a wave format: first among the pins of its kind (render: data in, sink; capture: data
// out, sink), then among the other pins whose data flow fits. A pin of the opposite data flow
// is never chosen: a render stream cannot be written into a pin that produces data.

#include "asio/CKsAudPin.h"
#include "asio/CKsFilter.h"

namespace qmt {

class CKsAudFilter : public CKsFilter {
  public:
    CKsAudFilter(AudioCardServiceIf& service, const std::string& path, HRESULT& status);

    // The first pin that accepts the format, without creating it; null when none does.
    CKsAudPin* findPin(const WAVEFORMATEXTENSIBLE& format) const;
    CKsAudPin* findPin(const WAVEFORMATEX& plainFormat) const;
    // Creates the first pin that accepts the format and can be created in it. Null when none
    // can: status is then the card's refusal (busy, no match) or, when no pin accepts the
    // format, the status of a pin that could not be asked (busy), else no match.
    CKsAudPin* createPin(const WAVEFORMATEXTENSIBLE& format, HRESULT& status);

  protected:
    std::unique_ptr<CKsPin> makePin(uint32_t pin, const AudioPinDescription& description,
                                    HRESULT descriptionStatus) override;

  private:
    std::vector<CKsAudPin*> candidates() const;
};

class CKsAudRenFilter final : public CKsAudFilter {
  public:
    CKsAudRenFilter(AudioCardServiceIf& service, const std::string& path, HRESULT& status);
};

class CKsAudCapFilter final : public CKsAudFilter {
  public:
    CKsAudCapFilter(AudioCardServiceIf& service, const std::string& path, HRESULT& status);
};

}  // namespace qmt
