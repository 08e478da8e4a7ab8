#pragma once
// The brand of the user-mode MIDI programs: the names their registry key is made of and the
// configuration program's about text.

#include <string>

#include "devices/BrandIf.h"

namespace qmt {

class MidiBrandIf : public BrandIf {
  public:
    virtual const char* getCompanyKeyName() const = 0;
    virtual const char* getProductKeyName() const = 0;
    virtual const char* getAboutText() const = 0;

    // "Software\<company>\<product>".
    std::string getRegistryKey() const;
    // The process's brand when it is a MIDI brand, else null.
    static MidiBrandIf* instance();
};

}  // namespace qmt
