#pragma once
// One pin of a kernel-streaming filter: what it said about itself when the filter enumerated
// it, and, once created, the open pin instance with its connect record and attached data
// format, its state, and its stream reads and writes.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "asio/CKsIrpTarget.h"
#include "platform/AudioCardService.h"

namespace qmt {

class CKsFilter;

class CKsPin : public CKsIrpTarget {
  public:
    // `descriptionStatus` is how asking the pin went; a pin that could not be asked keeps
    // only its data flow and communication.
    CKsPin(CKsFilter& filter, uint32_t index, AudioPinDescription description,
           HRESULT descriptionStatus);
    ~CKsPin() override;

    // Creates the pin instance: the connect record with the data format attached (the
    // KSDATAFORMAT followed by the wave format).
    HRESULT create(const KSPIN_CONNECT& connect, const KSDATAFORMAT& format,
                   std::span<const uint8_t> waveFormat);
    // One state change (KSPROPERTY_CONNECTION_STATE); the card takes adjacent states only.
    HRESULT setState(KSSTATE state);
    // Steps the state down to STOP, then closes the instance.
    void close();
    bool isValid() const override { return handle_ != nullptr; }

    HRESULT readStream(KsStreamRequest& request);
    HRESULT writeStream(KsStreamRequest& request);

    CKsFilter& filter() const { return filter_; }
    uint32_t index() const { return index_; }
    KSSTATE state() const { return state_; }
    KSPIN_DATAFLOW dataFlow() const { return description_.dataFlow; }
    KSPIN_COMMUNICATION communication() const { return description_.communication; }
    const std::vector<KSPIN_INTERFACE>& interfaces() const { return description_.interfaces; }
    const std::vector<KSPIN_MEDIUM>& mediums() const { return description_.mediums; }
    const std::vector<KSDATARANGE_AUDIO>& dataRanges() const { return description_.dataRanges; }
    const std::string& name() const { return description_.name; }
    HRESULT descriptionStatus() const { return descriptionStatus_; }
    const KSPIN_CONNECT& connect() const { return connect_; }
    const KSDATAFORMAT& dataFormat() const { return dataFormat_; }

  private:
    CKsFilter& filter_;
    const uint32_t index_;
    const AudioPinDescription description_;
    const HRESULT descriptionStatus_;
    KSPIN_CONNECT connect_;
    KSDATAFORMAT dataFormat_;
    KSSTATE state_ = KSSTATE_STOP;
    std::unique_ptr<AudioCardPinIf> handle_;
};

}  // namespace qmt
