#pragma once
// The user-mode programs' client of the driver's control codes.

#include <optional>
#include <string>

namespace qmt {

// The control path of the running MIDI driver, or nothing when no driver listens.
std::optional<std::string> FindMidiDriver();

// Tells the driver to reload the selected mapping. Silent when there is no driver or the
// request fails: the caller has already stored the new selection, which takes effect at
// the next stream creation at the latest.
void NotifyMidiDriver();

}  // namespace qmt
