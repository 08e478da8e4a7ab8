#pragma once
// Starting another program without waiting for it, as the audio driver starts its control
// panel from inside a host's process. Behind an interface so tests see what would start.

#include <string>
#include <vector>

namespace qmt {

class ProcessLauncherIf {
  public:
    virtual ~ProcessLauncherIf() = default;
    // Starts `path` with `arguments` (the first is the program's own name) and returns at
    // once; false when the program could not be started.
    virtual bool startProcess(const std::string& path,
                              const std::vector<std::string>& arguments) = 0;
};

// The real thing. The program is detached from the caller (it becomes the init process's
// child), so a host that never reaps children gains no zombie when the program exits.
class DetachedProcessLauncher final : public ProcessLauncherIf {
  public:
    bool startProcess(const std::string& path, const std::vector<std::string>& arguments) override;
};

}  // namespace qmt
