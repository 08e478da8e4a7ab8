#include "asio/CKsIrpTarget.h"

namespace qmt {

HRESULT CKsIrpTarget::remember(HRESULT status, const std::string& detail) {
    if (Failed(status)) {
        lastStatus_ = status;
        lastErrorDetail_ = detail;
    }
    return status;
}

}  // namespace qmt
