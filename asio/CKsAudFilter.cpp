#include "asio/CKsAudFilter.h"

#include <algorithm>

#include "asio/KsAudioFormat.h"

namespace qmt {

CKsAudFilter::CKsAudFilter(AudioCardServiceIf& service, const std::string& path, HRESULT& status)
    : CKsFilter(service, path, status) {}

std::unique_ptr<CKsPin> CKsAudFilter::makePin(uint32_t pin, const AudioPinDescription& description,
                                              HRESULT descriptionStatus) {
    switch (description.communication) {
        case KSPIN_COMMUNICATION_SINK:
        case KSPIN_COMMUNICATION_SOURCE:
        case KSPIN_COMMUNICATION_BOTH:
            return std::make_unique<CKsAudPin>(*this, pin, description, descriptionStatus);
        default:
            return nullptr;
    }
}

std::vector<CKsAudPin*> CKsAudFilter::candidates() const {
    std::vector<CKsAudPin*> order;
    auto add = [&order](CKsPin* pin) {
        auto* audio = static_cast<CKsAudPin*>(pin);  // an audio filter keeps audio pins only
        if (std::find(order.begin(), order.end(), audio) == order.end()) order.push_back(audio);
    };
    if (kind_ == kRender || kind_ == kCapture) {
        const KSPIN_DATAFLOW flow = kind_ == kRender ? KSPIN_DATAFLOW_IN : KSPIN_DATAFLOW_OUT;
        for (CKsPin* pin : pinList(kind_ == kRender ? kInSink : kOutSink))
            add(pin);
        for (const auto& pin : pins())
            if (pin->dataFlow() == flow) add(pin.get());
    } else {
        for (const auto& pin : pins())
            add(pin.get());
    }
    return order;
}

CKsAudPin* CKsAudFilter::findPin(const WAVEFORMATEXTENSIBLE& format) const {
    for (CKsAudPin* pin : candidates())
        if (pin->acceptsFormat(format)) return pin;
    return nullptr;
}

CKsAudPin* CKsAudFilter::findPin(const WAVEFORMATEX& plainFormat) const {
    return findPin(makePlainFormat(plainFormat));
}

CKsAudPin* CKsAudFilter::createPin(const WAVEFORMATEXTENSIBLE& format, HRESULT& status) {
    HRESULT refusal = S_OK;
    HRESULT unasked = S_OK;
    std::string detail;
    for (CKsAudPin* pin : candidates()) {
        if (Failed(pin->descriptionStatus()) && Succeeded(unasked))
            unasked = pin->descriptionStatus();
        if (!pin->acceptsFormat(format)) continue;
        status = pin->create(format);
        if (Succeeded(status)) return pin;
        if (Succeeded(refusal)) {
            refusal = status;
            detail = pin->lastErrorDetail();
        }
    }
    if (Failed(refusal)) {
        status = remember(refusal, detail);
    } else if (Failed(unasked)) {
        status = unasked;  // remembered with its detail when the pins were enumerated
    } else {
        status = remember(HresultFromWin32(kErrorNoMatch));
    }
    return nullptr;
}

CKsAudRenFilter::CKsAudRenFilter(AudioCardServiceIf& service, const std::string& path,
                                 HRESULT& status)
    : CKsAudFilter(service, path, status) {
    kind_ = kRender;
}

CKsAudCapFilter::CKsAudCapFilter(AudioCardServiceIf& service, const std::string& path,
                                 HRESULT& status)
    : CKsAudFilter(service, path, status) {
    kind_ = kCapture;
}

}  // namespace qmt
