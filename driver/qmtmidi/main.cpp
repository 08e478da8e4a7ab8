// qmtmidi: the MIDI driver as a user-space service. `qmtmidi [--verbose]` serves the real
// controllers (HostMidiService.h); `qmtmidi --simulate [SCRIPT]` runs the simulated platform
// (see SessionScript.h for the script lines), as does QMT_SIMULATE=1 in the environment.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "driver/qmtmidi/BuiltInSession.h"
#include "driver/qmtmidi/HostMidiService.h"
#include "driver/qmtmidi/SimulatedMidiService.h"
#include "driver/qmtmidi/SimulationSettings.h"
#include "platform/sim/SimulatedDesktop.h"
#include "script/SessionScript.h"

namespace {

std::atomic<bool> quitRequested{false};

extern "C" void OnSignal(int) {
    quitRequested.store(true);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: qmtmidi [--verbose] | --simulate [SCRIPT | -]\n"
                 "       QMT_SIMULATE=1 qmtmidi [SCRIPT | -]\n");
    return 2;
}

bool ReadScript(const std::string& name, std::vector<qmt::ScriptLine>& lines, std::string& error) {
    if (name.empty()) {
        std::istringstream in(qmt::BuiltInSession());
        return qmt::ParseSessionScript(in, lines, error);
    }
    if (name == "-") return qmt::ParseSessionScript(std::cin, lines, error);
    std::ifstream in(name);
    if (!in) return error = "cannot open script '" + name + "': " + std::strerror(errno), false;
    if (!qmt::ParseSessionScript(in, lines, error)) return error = name + ": " + error, false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!qmt::TakeSimulateOption(arguments)) return qmt::RunHostMidiService(argc - 1, argv + 1);
    if (arguments.size() > 1 || (arguments.size() == 1 && arguments[0].starts_with("--")))
        return Usage();
    std::vector<qmt::ScriptLine> lines;
    std::string error;
    if (!ReadScript(arguments.empty() ? "" : arguments[0], lines, error)) {
        std::fprintf(stderr, "qmtmidi: %s\n", error.c_str());
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // A closed output (qmtmidi | head) must not kill the program before it cleans up.
    std::signal(SIGPIPE, SIG_IGN);

    qmt::SimulationSettings settings;
    if (!settings.Prepare(error)) {
        std::fprintf(stderr, "qmtmidi: %s\n", error.c_str());
        return 1;
    }
    std::printf(
        "qmtmidi: selected mapping %s%s\n", settings.selectedMapping().c_str(),
        settings.usesUserRegistry() ? "" : " (temporary registry with the factory presets)");
    int status = 0;
    {
        qmt::SimulatedMidiService service(settings.registry(), std::cout);
        if (!service.Start(qmt::ChooseControlSocket(settings.folder()), error) ||
            !service.Play(lines, quitRequested, error)) {
            std::fprintf(stderr, "qmtmidi: %s\n", error.c_str());
            status = 1;
        }
        service.Stop();
    }
    std::printf("qmtmidi: stopped\n");
    return status;
}
