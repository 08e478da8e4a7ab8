#pragma once
// A kernel-streaming filter: one sound card opened by its audio interface path, with its
// pins sorted by data flow and communication. A pin that communicates both ways is in the sink
// and in the source list of its data flow; bridge pins (communication none) have a list of
// their own. The filter owns its pins; the lists only point at them.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "asio/CKsIrpTarget.h"
#include "platform/AudioCardService.h"

namespace qmt {

class CKsPin;

class CKsFilter : public CKsIrpTarget {
  public:
    // The kind set by the render and capture filters.
    enum Kind : uint32_t { kUnknown = 0, kRender = 1, kCapture = 2 };
    enum PinList : size_t { kInSink, kInSource, kOutSink, kOutSource, kBridge, kPinListCount };
    // Paths and names are cut to what the system's buffers hold.
    static constexpr size_t kMaxPath = 260;

    // Keeps the path; status E_INVALIDARG when it is empty. Nothing is opened yet.
    CKsFilter(AudioCardServiceIf& service, const std::string& path, HRESULT& status);
    ~CKsFilter() override;

    HRESULT open();
    // Deletes the pins (closing the created ones) and closes the filter.
    void close();
    bool isValid() const override { return handle_ != nullptr; }

    // Makes a pin object for every pin of the filter, then sorts them. E_FAIL when no pin
    // lands in any list (the status of a pin that could not be asked, when there was one).
    HRESULT enumeratePins();

    const std::string& path() const { return path_; }
    const std::string& friendlyName() const { return friendlyName_; }
    Kind kind() const { return kind_; }
    const std::vector<std::unique_ptr<CKsPin>>& pins() const { return pins_; }
    const std::vector<CKsPin*>& pinList(PinList list) const { return lists_[list]; }

    // For the pins: the open card.
    AudioCardFilterIf* handle() const { return handle_.get(); }

  protected:
    // The pin object for index `pin`, or null for a pin the filter does not keep. The base
    // keeps every pin.
    virtual std::unique_ptr<CKsPin> makePin(uint32_t pin, const AudioPinDescription& description,
                                            HRESULT descriptionStatus);
    void classifyPins();

    Kind kind_ = kUnknown;

  private:
    AudioCardServiceIf& service_;
    std::string path_;
    std::string friendlyName_;
    std::unique_ptr<AudioCardFilterIf> handle_;
    std::vector<std::unique_ptr<CKsPin>> pins_;
    std::array<std::vector<CKsPin*>, kPinListCount> lists_;
};

}  // namespace qmt
