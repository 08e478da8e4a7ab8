// qmtctl translate: dry-runs a mapping against a script of reports and MIDI for one
// controller and prints the MIDI it would send and the output reports it would write.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "model/Mapping.h"
#include "script/TranslateScript.h"
#include "tools/qmtctl/Command.h"

namespace qmt::ctl {
namespace {

struct Args {
    std::string model, mapping, presetPath, serial = "SIMULATED", script = "-";
};

bool Parse(std::span<const std::string> args, Args& out) {
    bool haveScript = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--model" && hasValue) {
            out.model = args[++i];
        } else if (a == "--mapping" && hasValue) {
            out.mapping = args[++i];
        } else if (a == "--preset-path" && hasValue) {
            out.presetPath = args[++i];
        } else if (a == "--serial" && hasValue) {
            out.serial = args[++i];
        } else if (!haveScript && (a == "-" || a.rfind("--", 0) != 0)) {
            out.script = a;
            haveScript = true;
        } else {
            return false;
        }
    }
    return !out.model.empty() && !out.mapping.empty() && !out.presetPath.empty();
}

int Run(std::span<const std::string> args) {
    Args a;
    if (!Parse(args, a)) {
        std::fprintf(stderr,
                     "usage: qmtctl translate --model NAME --mapping FILE --preset-path DIR "
                     "[--serial TEXT] [SCRIPT]\n");
        return kExitUsage;
    }
    const auto model = ModelTypeForName(a.model);
    if (!model) {
        std::fprintf(stderr,
                     "qmtctl translate: unknown model '%s' (kv10, kv5, ardo, "
                     "ardo-raw-proto-2009, ardo-raw)\n",
                     a.model.c_str());
        return kExitUsage;
    }
    std::string error;
    MappingPtr mapping = LoadMappingWithPresetPath(a.mapping, a.presetPath, &error);
    if (!mapping) {
        std::fprintf(stderr, "qmtctl translate: %s\n", error.c_str());
        return kExitInvalid;
    }
    std::ifstream file;
    if (a.script != "-") {
        file.open(a.script);
        if (!file) {
            std::fprintf(stderr, "qmtctl translate: cannot open script '%s'\n", a.script.c_str());
            return kExitUsage;
        }
    }
    std::vector<ScriptLine> lines;
    if (!ParseTranslateScript(a.script == "-" ? std::cin : file, *model, lines, error)) {
        std::fprintf(stderr, "qmtctl translate: %s\n", error.c_str());
        return kExitUsage;
    }
    RunTranslateScript(lines, *model, a.serial, mapping.get(), std::cout);
    std::cout.flush();
    return kExitOk;
}

CommandRegistration reg{{"translate",
                         "translate --model NAME --mapping FILE --preset-path DIR "
                         "[--serial TEXT] [SCRIPT]\n"
                         "    dry-run a mapping: script lines 'report T HEX...', 'idle T', "
                         "'midi T HEX...',\n"
                         "    'write T', 'resend T'; prints 'midi T HEX...' and 'out HEX...'",
                         &Run}};

}  // namespace
}  // namespace qmt::ctl
