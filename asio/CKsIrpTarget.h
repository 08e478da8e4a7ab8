#pragma once
// Base of the kernel-streaming wrappers: something the card service answers (a filter or a
// pin), whose calls report HRESULTs. It keeps the last failure with what the system said
// about it, so a caller far above can tell the user why a card did not open ("in use by
// pulseaudio (process 812)") instead of only that it did not.

#include <string>

#include "common/HResult.h"

namespace qmt {

class CKsIrpTarget {
  public:
    virtual ~CKsIrpTarget() = default;
    CKsIrpTarget(const CKsIrpTarget&) = delete;
    CKsIrpTarget& operator=(const CKsIrpTarget&) = delete;

    // Whether the target is open.
    virtual bool isValid() const = 0;

    HRESULT lastStatus() const { return lastStatus_; }
    const std::string& lastErrorDetail() const { return lastErrorDetail_; }

  protected:
    CKsIrpTarget() = default;
    // Records a failed status (and the system's words on it); returns the status.
    HRESULT remember(HRESULT status, const std::string& detail = {});

  private:
    HRESULT lastStatus_ = S_OK;
    std::string lastErrorDetail_;
};

}  // namespace qmt
