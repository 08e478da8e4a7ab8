#pragma once
// The qmtmidi service as a test starts it: its own runtime folder (control socket) and
// registry folder, preset and mapping paths set in the machine hive, stopped with SIGTERM
// as systemd stops it.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace qmt::vm {

class QmtMidiService {
  public:
    QmtMidiService();
    ~QmtMidiService();
    QmtMidiService(const QmtMidiService&) = delete;
    QmtMidiService& operator=(const QmtMidiService&) = delete;

    // $QMT_MIDI_BINARY, else the qmtmidi built with this program; empty when neither exists.
    static std::string Binary();

    // Registry values the service reads at start and at each reload.
    bool setMachineValues(const std::string& presetPath, const std::string& mappingPath);
    bool setSelectedMapping(const std::string& mappingFile);

    // What the service prints goes to this file (from the next start on), not to the
    // test's own output.
    void setLogFile(const std::string& path) { logFile_ = path; }
    bool start(const std::vector<std::string>& arguments, std::string& error);
    // SIGTERM, then SIGKILL after `grace`; the exit status (128 + signal when killed).
    std::optional<int> stop(std::chrono::milliseconds grace = std::chrono::seconds(5));
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // False once the process has ended (it is reaped then; exitStatus() tells how).
    bool alive();
    std::optional<int> exitStatus() const { return exitStatus_; }

    std::string controlSocketPath() const { return runtimeFolder_ + "/qmtmidi/control"; }
    const std::string& registryFolder() const { return registryFolder_; }
    const std::string& workFolder() const { return home_.path(); }

  private:
    bool writeHive(const std::string& file, const std::string& hive,
                   const std::vector<std::pair<std::string, std::string>>& values);

    TempFolder home_;
    std::string runtimeFolder_;
    std::string registryFolder_;
    std::string logFile_;
    pid_t pid_ = -1;
    std::optional<int> exitStatus_;
};

}  // namespace qmt::vm
