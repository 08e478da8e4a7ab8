#pragma once
// The script `qmtmidi --simulate` plays: the `qmtctl translate` lines for several virtual
// controllers, plus hot-plugging and reloads (grammar in ScriptGrammar.h). T is milliseconds
// since the session started; the player waits until T before the line acts (lines with an
// earlier T act at once).
//
//   plug MODEL SERIAL   plugs a controller (kv10, kv5, ardo, ardo-raw) and makes it current
//   unplug SERIAL       unplugs it; its reads fail and the driver removes its handler
//   use SERIAL          makes an already plugged controller current
//   report T HEX...     the current controller delivers this input report
//   idle T              waits until T (the driver's 5 ms idle tick runs by itself)
//   write T             waits until T (writer threads run by themselves)
//   midi T HEX...       the application sends 1 to 3 bytes on "QMT MIDI Out"
//   resend T            the application reconnects "QMT MIDI In"; the driver resends state
//   reload T            asks the running driver to reload the selected mapping

#include <istream>
#include <string>
#include <vector>

#include "script/ScriptGrammar.h"

namespace qmt {

// The USB product id of a model name, or empty for an unknown name.
std::string ProductIdForModel(const std::string& model);

// Parses a whole script; on failure `error` names the line ("line 3: ...").
bool ParseSessionScript(std::istream& in, std::vector<ScriptLine>& lines, std::string& error);

}  // namespace qmt
