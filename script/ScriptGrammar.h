#pragma once
// The line grammar of the controller scripts that `qmtctl translate` and `qmtmidi --simulate`
// read, in one place so both tools accept the same text:
//
//   COMMAND T [HEX...]      report, idle, midi, write, resend, reload: a time, then bytes
//   plug MODEL SERIAL       the session commands name a controller instead of a time
//   unplug SERIAL
//   use SERIAL
//   # ...                   comment, also after a line; blank lines are skipped
//
// T is a whole, non-negative decimal number; its unit belongs to the tool (100 ns for the
// dry run, milliseconds for sessions). A byte is exactly two hex digits. Only report and midi
// take bytes; a midi message has 1 to 3. Each tool allows its own set of commands and checks
// what depends on it (report lengths, model names). Errors start with "line N: ".

#include <cstdint>
#include <initializer_list>
#include <istream>
#include <string>
#include <vector>

namespace qmt {

struct ScriptLine {
    enum class Kind { Report, Idle, Midi, Write, Resend, Reload, Plug, Unplug, Use };
    Kind kind = Kind::Idle;
    int64_t time = 0;
    std::vector<uint8_t> bytes;  // report, midi
    std::string model;           // plug
    std::string serial;          // plug, unplug, use
    size_t number = 0;           // line in the script, from 1
};

// Parses a whole script whose commands are among `allowed`.
bool ParseScript(std::istream& in, std::initializer_list<ScriptLine::Kind> allowed,
                 std::vector<ScriptLine>& lines, std::string& error);

// "line N: what".
std::string ScriptLineError(size_t number, const std::string& what);

}  // namespace qmt
