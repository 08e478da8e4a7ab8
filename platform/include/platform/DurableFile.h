#pragma once
// Replacing a file so that a crash or a power cut leaves either the old file or the new one
// whole, never a mixture or an empty file: the bytes go to a temporary file beside the
// target, reach the disk, and only then does the temporary file take the target's name.

#include <cstdint>
#include <span>
#include <string>

namespace qmt {

// False on any failure, with `error` (when given) saying what failed; the target is then
// unchanged and no temporary file is left behind. A symbolic link is written through.
bool WriteFileDurably(const std::string& path, std::span<const uint8_t> bytes,
                      std::string* error = nullptr);

}  // namespace qmt
