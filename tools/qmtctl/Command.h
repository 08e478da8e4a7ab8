#pragma once
// qmtctl subcommands register themselves here, one file each.

#include <span>
#include <string>
#include <vector>

namespace qmt::ctl {

// Exit codes shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitInvalid = 1;  // the input (a file, a script) is invalid
constexpr int kExitUsage = 2;    // the command line is wrong

struct Command {
    const char* name;
    const char* usage;  // one or more lines, shown by `qmtctl help`
    int (*run)(std::span<const std::string> args);  // args after the command name
};

const std::vector<Command>& Commands();

struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

}  // namespace qmt::ctl
