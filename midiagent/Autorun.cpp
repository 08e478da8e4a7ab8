#include "midiagent/Autorun.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "midiagent/AgentCommandLine.h"
#include "model/PresetFile.h"
#include "platform/XdgFolders.h"

namespace qmt {

namespace {

constexpr const char* kEntryName = "qmtmidiagent.desktop";

// Characters that make an Exec argument need quotes.
constexpr const char* kReserved = " \t\n\"'\\><~|&;$*?#()`";

std::string escapeForString(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

std::string DesktopExecArgument(const std::string& programPath) {
    std::string argument;
    const bool quote = programPath.find_first_of(kReserved) != std::string::npos;
    for (char c : programPath) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) argument += '\\';
        if (c == '%') argument += '%';
        argument += c;
    }
    if (quote) argument = "\"" + argument + "\"";
    // The Exec value is a string value first: its backslashes are escaped once more.
    return escapeForString(argument);
}

AutorunEntry::AutorunEntry(std::string entryPath)
    : path_(entryPath.empty() ? DefaultPath() : std::move(entryPath)) {}

std::string AutorunEntry::DefaultPath() {
    const std::string config = XdgConfigHome();
    return config.empty() ? std::string() : config + "/autostart/" + kEntryName;
}

bool AutorunEntry::IsAutorunEnabled() const {
    std::ifstream in(path_);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line))
        if (line == "Hidden=true") return false;
    return true;
}

bool AutorunEntry::EnableAutorun(const std::string& commandLine) {
    const std::string program = FirstCommandLineToken(commandLine);
    if (path_.empty() || program.empty() || program.size() > kMaxAgentPath) return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
    std::ostringstream entry;
    entry << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=QMT MIDI Agent\n"
          << "Comment=Keeps a MIDI mapping selected for the QMT controllers\n"
          << "Exec=" << DesktopExecArgument(program) << "\n"
          << "Icon=qmtmidiagent\n"
          << "Terminal=false\n";
    const std::string text = entry.str();
    return SaveFileAtomically(
        path_, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool AutorunEntry::DisableAutorun() {
    std::error_code error;
    return !path_.empty() && std::filesystem::remove(path_, error);
}

}  // namespace qmt
