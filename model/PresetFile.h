#pragma once
// Reading, checking and writing preset files (".kvp", ".kap", ".krp", ".kqp").

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/Preset.h"

namespace qmt {

struct PresetFormat {
    char magic[5];
    PresetKind kind;
    uint8_t version;         // format version 0 to 5
    uint8_t highestControl;  // highest control identifier stored in the file
    bool newest;             // what the writer produces for this kind
};

// The format of a four-byte magic, or nullptr for an unknown magic.
const PresetFormat* PresetFormatForMagic(std::span<const uint8_t> magic);
// The newest format of a kind ("KVP4", "KAP2", "KRP0", "KQP0").
const PresetFormat& NewestPresetFormat(PresetKind kind);
// File extension of a kind, with the dot (".kvp", ...).
const char* PresetExtension(PresetKind kind);
// Name of a kind: "KVP", "KAP", "KRP" or "KQP".
const char* PresetKindName(PresetKind kind);

// Parses a whole preset file held in memory. On failure returns null and, when `error` is
// given, says why. `applications` (optional) receives the file's application list.
PresetPtr ParsePreset(std::span<const uint8_t> bytes, std::string* error = nullptr,
                      std::vector<ApplicationEntry>* applications = nullptr);

// Opens and parses a preset file as the driver does (no validation: see ValidatePreset).
PresetPtr LoadPreset(const std::string& path, std::string* error = nullptr);

// True when every assignment is within range. `reason` names the rule, the control and the
// assignment of the first failure.
bool ValidatePreset(const Preset& preset, std::string* reason = nullptr);

// Frees a preset with its lists and extended-message buffers.
inline void FreePreset(PresetPtr& preset) {
    preset.reset();
}

// Deep copy: every list, every assignment and its own copy of extended bytes.
inline PresetPtr CopyPreset(const Preset& preset) {
    return std::make_unique<Preset>(preset);
}

// Serialises in the newest format of the preset's kind. Only assignments with at least one
// message are written. Times are converted back to milliseconds.
std::vector<uint8_t> WritePreset(const Preset& preset,
                                 std::span<const ApplicationEntry> applications = {});

// Writes a file so that a crash at any moment leaves the old or the new content whole
// (temporary file, flushed to the disk, renamed over the target, folder flushed). Every
// program that saves presets or mappings goes through here. False on any I/O failure, with
// `error` naming the file and the reason.
bool SaveFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                        std::string* error = nullptr);

// Reads a whole regular file, refusing anything larger than `limit` bytes and anything that
// is not a regular file (a FIFO would block the reader for ever).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error,
                   size_t limit = 64u << 20);

}  // namespace qmt
