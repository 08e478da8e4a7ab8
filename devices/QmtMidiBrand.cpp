#include "devices/QmtMidiBrand.h"

namespace qmt {

const char* QmtMidiBrand::getAboutText() const {
    return "QMT MIDI driver configuration.\n"
           "Presets and mappings for the QMT KV10, KV5, ARDO and ARDO RAW controllers.\n"
           "Copyright (C) QMT. All rights reserved.";
}

}  // namespace qmt
