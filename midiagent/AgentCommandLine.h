#pragma once
// The agent's command line. The argument text is compared as a whole, ignoring case, with
// "/quit" and "/select"; anything else counts as no argument. The program's own path is the
// first token of the full command line, which also gives the working folder and the
// autostart entry.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qmt {

enum class AgentArgument : uint8_t { None, Quit, Select };

AgentArgument ParseAgentArgument(const std::string& argumentText);

// The argument text of a program started with these arguments: they joined by blanks.
std::string ArgumentTextOf(const std::vector<std::string>& arguments);

// The full command line: the program's path, quoted when it holds a blank, then the
// argument text.
std::string FullCommandLineOf(const std::string& programPath, const std::string& argumentText);

// The first token: a quoted token without its quotes, else the text up to the first blank,
// tab or quote.
std::string FirstCommandLineToken(const std::string& commandLine);

// Folders longer than this are not made the working folder, and longer program paths are
// not stored for autostart.
inline constexpr size_t kMaxAgentPath = 260;

// The program's folder from the first token (cut at its last '\' or '/'); empty when the
// token has no folder part or the folder is longer than kMaxAgentPath.
std::string AgentFolderOf(const std::string& commandLine);

// Makes the program's folder the working folder, so that the configuration program is
// found beside the agent. False when the rule skips it or the change fails.
bool EnterAgentFolder(const std::string& commandLine);

}  // namespace qmt
