#include "asio/CKsPin.h"

#include "asio/CKsFilter.h"

namespace qmt {

CKsPin::CKsPin(CKsFilter& filter, uint32_t index, AudioPinDescription description,
               HRESULT descriptionStatus)
    : filter_(filter),
      index_(index),
      description_(std::move(description)),
      descriptionStatus_(descriptionStatus) {}

CKsPin::~CKsPin() {
    close();
}

HRESULT CKsPin::create(const KSPIN_CONNECT& connect, const KSDATAFORMAT& format,
                       std::span<const uint8_t> waveFormat) {
    close();
    AudioCardFilterIf* card = filter_.handle();
    if (card == nullptr) return remember(E_FAIL);
    const HRESULT status = card->createPin(connect, format, waveFormat, handle_);
    if (Failed(status)) {
        handle_.reset();
        return remember(status, card->lastErrorDetail());
    }
    connect_ = connect;
    dataFormat_ = format;
    state_ = KSSTATE_STOP;
    return S_OK;
}

HRESULT CKsPin::setState(KSSTATE state) {
    if (!handle_) return remember(E_FAIL);
    const HRESULT status = handle_->setState(state);
    if (Failed(status)) return remember(status);
    state_ = state;
    return S_OK;
}

void CKsPin::close() {
    if (!handle_) return;
    while (state_ != KSSTATE_STOP) {
        if (Failed(setState(static_cast<KSSTATE>(state_ - 1)))) break;
    }
    // Closing completes whatever is still pending, also after a refused state change.
    handle_.reset();
    state_ = KSSTATE_STOP;
}

HRESULT CKsPin::readStream(KsStreamRequest& request) {
    return handle_ ? remember(handle_->readStream(request)) : remember(E_FAIL);
}

HRESULT CKsPin::writeStream(KsStreamRequest& request) {
    return handle_ ? remember(handle_->writeStream(request)) : remember(E_FAIL);
}

}  // namespace qmt
