#pragma once
// The maker's brand of the MIDI programs.

#include "devices/MidiBrandIf.h"

namespace qmt {

class QmtMidiBrand final : public MidiBrandIf {
  public:
    const char* getCompanyKeyName() const override { return "QMT"; }
    const char* getProductKeyName() const override { return "QMTMIDI"; }
    const char* getAboutText() const override;
};

}  // namespace qmt
