// qmtmidiagent: the tray agent. `qmtmidiagent [/select | /quit]`; QMT_SIMULATE=1 makes it see
// the simulated desktop's controllers instead of the real ones.

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "devices/FindMidiDriver.h"
#include "midiagent/AgentCommandLine.h"
#include "midiagent/Autorun.h"
#include "midiagent/MidiAgent.h"
#include "midiagent/qt/QtAgentWindow.h"
#include "midiagent/qt/QtMappingSelectionView.h"
#include "platform/FileRegistry.h"
#include "platform/ProcessLauncher.h"
#include "platform/SingleInstance.h"
#include "platform/XdgFolders.h"
#include "platform/desktop/DesktopDeviceEnumerator.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/sim/SimulatedDesktop.h"

namespace {

// The program's own path as the system knows it. A path typed relative to some folder, or
// found on PATH, says nothing of where the program lives, and it is stored for autostart.
std::string ProgramPath(const char* argv0) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(argv0) : self.string();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The agent has no main window: closing a dialog or a message box must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("qmtmidiagent"));
    QApplication::setDesktopFileName(QStringLiteral("qmtmidiagent"));

    // QApplication has taken its own options (-platform, -display, ...) out of argv.
    const std::string argumentText =
        qmt::ArgumentTextOf(std::vector<std::string>(argv + 1, argv + argc));
    const std::string commandLine = qmt::FullCommandLineOf(ProgramPath(argv[0]), argumentText);

    std::unique_ptr<qmt::FileRegistry> registry = qmt::FileRegistry::fromEnvironment();
    if (!registry) {
        std::fprintf(stderr, "qmtmidiagent: no home folder to keep the settings in (set HOME)\n");
        return 0;
    }
    std::unique_ptr<qmt::DeviceEnumeratorIf> devices =
        qmt::MakeDesktopDeviceEnumerator(qmt::SimulationRequestedByEnvironment());
    qmt::QtMessageBox messages;
    qmt::QtMappingSelectionView selectionView;
    qmt::AutorunEntry autorun;
    qmt::SingleInstance instance(qmt::MidiAgent::kInstanceName);
    qmt::DetachedProcessLauncher launcher;
    qmt::MidiAgent agent(
        qmt::AgentServices{*registry, messages, selectionView, *devices, autorun, instance,
                           qmt::NotifyMidiDriver, launcher, qmt::XdgDataHome()},
        commandLine, argumentText);
    if (!agent.startUp()) return 0;

    qmt::QtAgentWindow window(agent, instance);
    agent.startTray(window);
    QApplication::exec();
    agent.endTray();
    return 0;
}
