#include "midiagent/AgentCommandLine.h"

#include <filesystem>
#include <system_error>

#include "common/AsciiCase.h"

namespace qmt {

AgentArgument ParseAgentArgument(const std::string& argumentText) {
    if (equalsIgnoreCase(argumentText, "/quit")) return AgentArgument::Quit;
    if (equalsIgnoreCase(argumentText, "/select")) return AgentArgument::Select;
    return AgentArgument::None;
}

std::string ArgumentTextOf(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) text += ' ';
        text += argument;
    }
    return text;
}

std::string FullCommandLineOf(const std::string& programPath, const std::string& argumentText) {
    const bool quote = programPath.find_first_of(" \t") != std::string::npos;
    std::string line = quote ? "\"" + programPath + "\"" : programPath;
    if (!argumentText.empty()) line += " " + argumentText;
    return line;
}

std::string FirstCommandLineToken(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine[0] == '"') {
        const size_t close = commandLine.find('"', 1);
        return commandLine.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return commandLine.substr(0, commandLine.find_first_of(" \t\""));
}

std::string AgentFolderOf(const std::string& commandLine) {
    const std::string token = FirstCommandLineToken(commandLine);
    const size_t separator = token.find_last_of("\\/");
    if (separator == std::string::npos) return {};
    const std::string folder = token.substr(0, separator);
    if (folder.empty() || folder.size() > kMaxAgentPath) return {};
    return folder;
}

bool EnterAgentFolder(const std::string& commandLine) {
    const std::string folder = AgentFolderOf(commandLine);
    if (folder.empty()) return false;
    std::error_code error;
    std::filesystem::current_path(folder, error);
    return !error;
}

}  // namespace qmt
