// qmtctl: command-line tool for preset authors and for tests.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/StandardOutput.h"
#include "tools/qmtctl/Command.h"

namespace qmt::ctl {

namespace {
std::vector<Command>& registry() {
    static std::vector<Command> commands;
    return commands;
}
}  // namespace

const std::vector<Command>& Commands() {
    return registry();
}

CommandRegistration::CommandRegistration(const Command& command) {
    registry().push_back(command);
}

}  // namespace qmt::ctl

namespace {
void printUsage(FILE* out) {
    std::fprintf(out, "usage: qmtctl COMMAND [ARGS...]\n\ncommands:\n");
    auto commands = qmt::ctl::Commands();
    std::sort(commands.begin(), commands.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const auto& command : commands)
        std::fprintf(out, "%s\n", command.usage);
}
}  // namespace

int main(int argc, char** argv) {
    qmt::BufferStandardOutput();
    if (argc < 2) {
        printUsage(stderr);
        return qmt::ctl::kExitUsage;
    }
    const std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        printUsage(stdout);
        return qmt::FinishStandardOutput("qmtctl", qmt::ctl::kExitOk);
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& command : qmt::ctl::Commands())
        if (name == command.name) return qmt::FinishStandardOutput("qmtctl", command.run(args));
    std::fprintf(stderr, "qmtctl: unknown command '%s'\n", name.c_str());
    printUsage(stderr);
    return qmt::ctl::kExitUsage;
}
