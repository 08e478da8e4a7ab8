#pragma once
// Replacing a file so that a crash at any moment leaves either the old or the new content,
// whole: the bytes go to a temporary file beside the target, which is flushed to the disk,
// renamed over the target, and then the folder itself is flushed so that the rename
// survives a power cut too. Presets, mappings and the registry hives are all written here.
//
// A process killed half-way leaves at most a stray "<name>.<random>.tmp" beside the file;
// the target is never touched before the rename.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qmt {

struct AtomicWriteOptions {
    // Permission bits of a file that does not exist yet (the umask applies); an existing
    // file keeps its own.
    unsigned newFileMode = 0666;
    // Permission bits the file gets whatever it had before.
    std::optional<unsigned> forceMode;
};

// False on any failure, with `error` (when given) naming the file and the reason, e.g.
// "cannot write "/p/a.kqp": No space left on device". On failure the target is unchanged
// and no temporary file is left behind.
bool ReplaceFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                           std::string* error = nullptr, const AtomicWriteOptions& options = {});

}  // namespace qmt
