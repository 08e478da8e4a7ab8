// qmtctl mapping check|show FILE --preset-path DIR [--strict]
//
// check exits 0 when the mapping loads as the driver loads it. A slot whose preset is missing
// or invalid does not stop the driver (that slot stays silent), so it is a warning, one line
// each; --strict makes the first such slot fail the check, for preset authors.

#include <cstdio>
#include <string>

#include "model/FilePaths.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"
#include "tools/qmtctl/Command.h"

namespace qmt::ctl {
namespace {

const char* modelName(uint32_t type) {
    switch (type) {
        case 0:
            return "any model";
        case kModelKv10:
            return "KV10";
        case kModelKv5:
            return "KV5";
        case kModelArdo:
            return "ARDO";
        case kModelArdoRawProto2009:
            return "ARDO RAW PROTO 2009";
        case kModelArdoRaw:
            return "ARDO RAW";
        default:
            return "unknown";
    }
}

std::string channelText(uint8_t channel) {
    return channel == kChannelOmni ? std::string("all") : std::to_string(channel + 1);
}

// Why a named preset did not load, by repeating the loader's steps for one slot.
std::string presetProblem(const std::string& presetPath, const std::string& name, int slot) {
    const std::string wanted = JoinPath(presetPath, name + PresetExtension(SlotPresetKind(slot)));
    const std::string path = ResolveFileCaseInsensitive(wanted);
    if (path.empty()) return wanted + ": no such file";
    std::string why;
    auto preset = LoadPreset(path, &why);
    if (!preset) return path + ": " + why;
    if (!ValidatePreset(*preset, &why)) return path + ": " + why;
    return path + ": not loaded";
}

struct Args {
    std::string action, file, presetPath;
    bool strict = false;
};

bool parse(std::span<const std::string> args, Args& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--preset-path" && i + 1 < args.size()) {
            out.presetPath = args[++i];
        } else if (args[i] == "--strict") {
            out.strict = true;
        } else if (out.action.empty()) {
            out.action = args[i];
        } else if (out.file.empty()) {
            out.file = args[i];
        } else {
            return false;
        }
    }
    return (out.action == "check" || (out.action == "show" && !out.strict)) && !out.file.empty() &&
           !out.presetPath.empty();
}

void show(const Mapping& mapping, const Args& args) {
    std::printf("mapping %s: %zu %s\n", args.file.c_str(), mapping.entries.size(),
                mapping.entries.size() == 1 ? "entry" : "entries");
    for (size_t e = 0; e < mapping.entries.size(); ++e) {
        const MappingEntry& entry = mapping.entries[e];
        std::printf(
            "entry %zu: %s, type %u (%s)\n", e + 1,
            entry.name.empty() ? "next controller" : ("serial \"" + entry.name + "\"").c_str(),
            entry.type, modelName(entry.type));
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            if (!entry.slotUsed[slot]) continue;
            const Preset* preset = entry.presets[slot].get();
            std::printf("  slot %d: \"%s%s\" %s, default channel %s, input channel %s\n", slot,
                        entry.presetNames[slot].c_str(), PresetExtension(SlotPresetKind(slot)),
                        preset ? (preset->sharedCopy ? "loaded (shared)" : "loaded") : "NOT LOADED",
                        channelText(entry.defaultChannels[slot]).c_str(),
                        channelText(entry.inputChannels[slot]).c_str());
        }
    }
}

int check(const Mapping& mapping, const Args& args) {
    for (size_t e = 0; e < mapping.entries.size(); ++e) {
        const MappingEntry& entry = mapping.entries[e];
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            if (!entry.slotUsed[slot] || entry.presets[slot]) continue;
            const std::string where =
                args.file + ": entry " + std::to_string(e + 1) + " slot " + std::to_string(slot) +
                ": preset \"" + entry.presetNames[slot] +
                "\": " + presetProblem(args.presetPath, entry.presetNames[slot], slot);
            if (args.strict) {
                std::printf("invalid: %s\n", where.c_str());
                return kExitInvalid;
            }
            std::printf("warning: %s: this slot stays silent\n", where.c_str());
        }
    }
    std::printf("valid\n");
    return kExitOk;
}

int Run(std::span<const std::string> argv) {
    Args args;
    if (!parse(argv, args)) {
        std::fprintf(stderr,
                     "usage: qmtctl mapping check FILE --preset-path DIR [--strict]\n"
                     "       qmtctl mapping show FILE --preset-path DIR\n");
        return kExitUsage;
    }
    std::string error;
    MappingPtr mapping = LoadMappingWithPresetPath(args.file, args.presetPath, &error);
    if (!mapping) {
        if (args.action == "check") std::printf("invalid: %s\n", error.c_str());
        std::fprintf(stderr, "qmtctl: %s\n", error.c_str());
        return kExitInvalid;
    }
    if (args.action == "show") {
        show(*mapping, args);
        return kExitOk;
    }
    return check(*mapping, args);
}

CommandRegistration registration{
    {"mapping",
     "  mapping check FILE --preset-path DIR [--strict]\n"
     "                                          load a mapping and its presets as the driver "
     "does;\n"
     "                                          warn of slots that stay silent (--strict: fail)\n"
     "  mapping show FILE --preset-path DIR    list entries, slots, presets and channels",
     &Run}};

}  // namespace
}  // namespace qmt::ctl
