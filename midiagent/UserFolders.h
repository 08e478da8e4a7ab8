#pragma once
// The user's own preset and mapping folders. The driver runs for each user and the
// installed factory folders are read-only, so a user who has no "Preset Path" of their own
// gets folders in their data home at the agent's start, seeded with the factory files.

#include <string>

namespace qmt {

class RegistryIf;

// When the user hive has no "Preset Path": makes <dataHome>/qmt/presets and
// <dataHome>/qmt/mappings, copies the preset files of the machine's "Preset Path" and the
// mapping files of the machine's "Mapping Path" into them (a file already there is kept),
// and stores the folders as the user's "Preset Path" and, unless the user has one,
// "Mapping Path". Machine folders that are missing or unreadable leave the user folders
// empty. False when the folders cannot be made or stored; true otherwise, also when the
// user had folders already.
bool EnsureUserFolders(RegistryIf& registry, const std::string& dataHome);

}  // namespace qmt
