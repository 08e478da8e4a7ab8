// qmtpresetgen OUTDIR [--markdown]: writes the factory presets and the default mapping
// with the same writers the configuration program uses, or prints what each control sends.

#include <cstdio>
#include <string>

#include "model/FilePaths.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"
#include "tools/presetgen/FactoryPresets.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--markdown") {
        for (const auto& preset : qmt::FactoryPresets()) {
            std::printf("#### %s%s\n\n%s\n", preset.name.c_str(),
                        qmt::PresetExtension(preset.preset.kind),
                        qmt::DescribePresetMarkdown(preset).c_str());
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: qmtpresetgen OUTDIR | --markdown\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (const auto& preset : qmt::FactoryPresets()) {
        const std::string path =
            qmt::JoinPath(dir, preset.name + qmt::PresetExtension(preset.preset.kind));
        std::string error;
        if (!qmt::SaveFileAtomically(path, qmt::WritePreset(preset.preset), &error)) {
            std::fprintf(stderr, "qmtpresetgen: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
    }
    const std::string mappingPath = qmt::JoinPath(dir, qmt::kFactoryMappingName);
    std::string error;
    if (!qmt::SaveFileAtomically(mappingPath, qmt::WriteMapping(qmt::FactoryMapping()), &error)) {
        std::fprintf(stderr, "qmtpresetgen: %s: %s\n", mappingPath.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
