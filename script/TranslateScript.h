#pragma once
// The dry run behind `qmtctl translate`: one controller of a chosen model, over an
// in-memory device, driven by a script of reports, idle ticks, MIDI from applications,
// writer steps and state refreshes, all in one thread and in script order. Every message
// the engine posts and every output report written is printed, one line each:
//   midi T HEX...   a message with its time stamp (100 ns units)
//   out HEX...      an output report
//
// Script lines (grammar in ScriptGrammar.h; T in 100 ns units):
//   report T HEX...   the device delivers this input report; one report step at T
//   idle T            one idle step at T
//   midi T HEX...     one short message (1 to 3 bytes) from "QMT MIDI Out" as one batch
//   write T           one writer step at T
//   resend T          the state refresh for the loaded mapping, stamped T

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "model/Mapping.h"
#include "script/ScriptGrammar.h"

namespace qmt {

// The model type of a command-line model name ("kv10", "kv5", "ardo",
// "ardo-raw-proto-2009", "ardo-raw").
std::optional<uint8_t> ModelTypeForName(const std::string& name);
// The input report length of a model type; 0 for a type without a decoder.
size_t ReportLengthOf(uint8_t modelType);

// Parses a whole script. On failure returns false and `error` names the line.
bool ParseTranslateScript(std::istream& in, uint8_t modelType, std::vector<ScriptLine>& lines,
                          std::string& error);

// Runs a parsed script for one controller with the given mapping (may be null: no
// presets) and serial string, printing the events to `out`.
void RunTranslateScript(const std::vector<ScriptLine>& lines, uint8_t modelType,
                        const std::string& serial, Mapping* mapping, std::ostream& out);

}  // namespace qmt
