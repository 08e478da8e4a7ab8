#pragma once
// Starting the agent at log-in: an XDG autostart entry ($XDG_CONFIG_HOME/autostart/
// qmtmidiagent.desktop) whose Exec line holds the agent's path. The entry is the user's
// choice, made in the tray menu; nothing else writes it.

#include <string>

namespace qmt {

class AutorunEntry {
  public:
    // `entryPath` empty: the entry in the user's autostart folder.
    explicit AutorunEntry(std::string entryPath = {});

    static std::string DefaultPath();
    const std::string& path() const { return path_; }

    // True when the entry exists and is not hidden (a desktop's autostart settings hide an
    // entry to switch it off).
    bool IsAutorunEnabled() const;
    // Writes the entry for the program named by the command line's first token. False when
    // the token is too long or the entry cannot be written.
    bool EnableAutorun(const std::string& commandLine);
    // Removes the entry; false when there was none or it cannot be removed.
    bool DisableAutorun();

  private:
    std::string path_;
};

// A program path as one argument of a desktop entry's Exec line: quoted when it holds a
// character the Exec rules reserve (a blank among them), with '%' doubled and the string
// escapes applied.
std::string DesktopExecArgument(const std::string& programPath);

}  // namespace qmt
