#pragma once
// Everything a driver object or a composite device needs around it in a test: a temporary
// settings folder (which is also the folder of the named events), the simulated device tree
// and sound cards, manual clocks for the streaming thread and the registry, and a process
// launcher that only records what it was asked to start.

#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "ManualStreamWait.h"
#include "asio/AsioEnvironment.h"
#include "common/Clock.h"
#include "common/ManualTimedWait.h"
#include "platform/FileRegistry.h"
#include "platform/ProcessLauncher.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimDeviceTree.h"
#include "tests/platform/TempFolder.h"

namespace qmt {

class RecordingLauncher final : public ProcessLauncherIf {
  public:
    bool startProcess(const std::string& path, const std::vector<std::string>& arguments) override {
        started.push_back(path);
        this->arguments = arguments;
        return succeeds;
    }
    std::vector<std::string> started;
    std::vector<std::string> arguments;
    bool succeeds = true;
};

class AsioTestWorld {
  public:
    AsioTestWorld() {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        savedRuntime_ = runtime != nullptr ? runtime : "";
        ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
        environment.registry = &registry;
        environment.devices = &tree;
        environment.cards = &cards;
        environment.launcher = &launcher;
        environment.tickClock = &streamClock;
        environment.streamWait = &streamWait;
        environment.performanceCounter = &streamClock;
        environment.registryClock = &registryClock;
        environment.registryWait = &registryWait;
        environment.notice = [this](const std::string& text) { notices.push_back(text); };
    }
    ~AsioTestWorld() {
        if (savedRuntime_.empty()) {
            ::unsetenv("XDG_RUNTIME_DIR");
        } else {
            ::setenv("XDG_RUNTIME_DIR", savedRuntime_.c_str(), 1);
        }
    }

    TempFolder folder;
    FileRegistry registry{folder.file("user.reg"), folder.file("machine.reg")};
    SimDeviceTree tree;
    SimAudioCards cards{tree};
    RecordingLauncher launcher;
    ManualClock streamClock;
    ManualStreamWait streamWait{streamClock};
    // The registry's polling thread never polls: tests enumerate by hand.
    ManualClock registryClock;
    ManualTimedWait registryWait{registryClock};
    std::vector<std::string> notices;
    AsioEnvironment environment;

  private:
    std::string savedRuntime_;
};

}  // namespace qmt
