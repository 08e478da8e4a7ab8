#pragma once
// The session `qmtmidi --simulate` plays without a script: every model, hot-plugging,
// the lights and a reload.

#include <string>

namespace qmt {

std::string BuiltInSession();

}  // namespace qmt
