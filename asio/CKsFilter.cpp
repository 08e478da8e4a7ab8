#include "asio/CKsFilter.h"

#include "asio/CKsPin.h"

namespace qmt {

CKsFilter::CKsFilter(AudioCardServiceIf& service, const std::string& path, HRESULT& status)
    : service_(service), path_(path.substr(0, kMaxPath - 1)) {
    status = path.empty() ? E_INVALIDARG : S_OK;
}

CKsFilter::~CKsFilter() {
    close();
}

HRESULT CKsFilter::open() {
    close();
    const HRESULT status = service_.openFilter(path_, handle_);
    if (Failed(status)) {
        handle_.reset();
        return remember(status);
    }
    friendlyName_ = handle_->friendlyName().substr(0, kMaxPath - 1);
    return S_OK;
}

void CKsFilter::close() {
    for (auto& list : lists_)
        list.clear();
    pins_.clear();
    handle_.reset();
}

HRESULT CKsFilter::enumeratePins() {
    for (auto& list : lists_)
        list.clear();
    pins_.clear();
    if (!handle_) return remember(E_FAIL);
    HRESULT unasked = S_OK;
    const uint32_t count = handle_->pinCount();
    for (uint32_t i = 0; i < count; ++i) {
        AudioPinDescription description;
        const HRESULT status = handle_->describePin(i, description);
        if (Failed(status) && Succeeded(unasked)) {
            unasked = status;
            remember(status, handle_->lastErrorDetail());
        }
        if (std::unique_ptr<CKsPin> pin = makePin(i, description, status))
            pins_.push_back(std::move(pin));
    }
    classifyPins();
    for (const auto& list : lists_) {
        if (!list.empty()) return S_OK;
    }
    return Failed(unasked) ? unasked : remember(E_FAIL);
}

std::unique_ptr<CKsPin> CKsFilter::makePin(uint32_t pin, const AudioPinDescription& description,
                                           HRESULT descriptionStatus) {
    return std::make_unique<CKsPin>(*this, pin, description, descriptionStatus);
}

void CKsFilter::classifyPins() {
    for (const auto& pin : pins_) {
        const bool in = pin->dataFlow() == KSPIN_DATAFLOW_IN;
        const bool out = pin->dataFlow() == KSPIN_DATAFLOW_OUT;
        switch (pin->communication()) {
            case KSPIN_COMMUNICATION_NONE:
            case KSPIN_COMMUNICATION_BRIDGE:
                lists_[kBridge].push_back(pin.get());
                break;
            case KSPIN_COMMUNICATION_SINK:
            case KSPIN_COMMUNICATION_SOURCE:
            case KSPIN_COMMUNICATION_BOTH: {
                const bool sink = pin->communication() != KSPIN_COMMUNICATION_SOURCE;
                const bool source = pin->communication() != KSPIN_COMMUNICATION_SINK;
                if (in && sink) lists_[kInSink].push_back(pin.get());
                if (in && source) lists_[kInSource].push_back(pin.get());
                if (out && sink) lists_[kOutSink].push_back(pin.get());
                if (out && source) lists_[kOutSource].push_back(pin.get());
                break;
            }
        }
    }
}

}  // namespace qmt
