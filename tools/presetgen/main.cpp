// qmtpresetgen OUTDIR [--markdown]: writes the factory presets and the default mapping
// with the same writers the configuration program uses, or prints what each control sends.

#include <cstdio>
#include <string>

#include "common/StandardOutput.h"
#include "model/FilePaths.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"
#include "presets/FactoryPresets.h"

int main(int argc, char** argv) {
    qmt::BufferStandardOutput();
    if (argc == 2 && std::string(argv[1]) == "--markdown") {
        for (const auto& preset : qmt::FactoryPresets()) {
            std::printf("#### %s%s\n\n%s\n", preset.name.c_str(),
                        qmt::PresetExtension(preset.preset.kind),
                        qmt::DescribePresetMarkdown(preset).c_str());
        }
        return qmt::FinishStandardOutput("qmtpresetgen", 0);
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: qmtpresetgen OUTDIR | --markdown\n");
        return 2;
    }
    std::string error;
    if (!qmt::WriteFactorySet(argv[1], &error)) {
        std::fprintf(stderr, "qmtpresetgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
