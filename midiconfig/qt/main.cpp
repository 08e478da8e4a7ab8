// qmtmidiconfig, the configuration program: the main window with the controllers, the
// mapping and the preset folder, from which the preset editor opens.
//
//   qmtmidiconfig [--simulate [SESSION]] [--edit FILE | --new KVP|KAP|KRP|KQP]
//
// --edit opens the preset editor alone on a preset file, --new on a new preset of a kind.
// --simulate
// (or QMT_SIMULATE=1) runs on the simulated desktop (ConfigPlatform.h); SESSION is a session
// file in the `qmtmidi --simulate` format to play instead of the built-in script.

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/AsciiCase.h"
#include "devices/FindMidiDriver.h"
#include "devices/QmtMidiBrand.h"
#include "midiconfig/MappingDialog.h"
#include "midiconfig/qt/ConfigPlatform.h"
#include "midiconfig/qt/MappingDialogWindow.h"
#include "midiconfig/qt/PresetEditorLauncher.h"
#include "model/PresetFile.h"
#include "platform/linux/TerminationSignals.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/sim/SimulatedDesktop.h"

namespace {

struct Options {
    bool simulate = false;
    bool editorOnly = false;
    std::string session;
    std::string editPath;
    qmt::PresetKind kind = qmt::PresetKind::Kvp;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: qmtmidiconfig [--simulate [SESSION]] "
                 "[--edit FILE | --new KVP|KAP|KRP|KQP]\n");
    return 2;
}

bool KindOfName(const std::string& name, qmt::PresetKind& kind) {
    for (qmt::PresetKind k :
         {qmt::PresetKind::Kvp, qmt::PresetKind::Kap, qmt::PresetKind::Krp, qmt::PresetKind::Kqp}) {
        if (qmt::equalsIgnoreCase(name, qmt::PresetKindName(k))) {
            kind = k;
            return true;
        }
    }
    return false;
}

bool ParseOptions(std::vector<std::string> args, Options& options) {
    options.simulate = qmt::TakeSimulateOption(args);
    bool chosen = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "--edit" || arg == "--new") && !chosen && i + 1 < args.size()) {
            chosen = true;
            options.editorOnly = true;
            if (arg == "--edit")
                options.editPath = args[++i];
            else if (!KindOfName(args[++i], options.kind))
                return false;
        } else if (options.simulate && options.session.empty() && !arg.starts_with("-")) {
            options.session = arg;
        } else {
            return false;
        }
    }
    return true;
}

// Ctrl-C or a logout's SIGTERM end the program as Escape ends the editor: every thread is
// stopped and the temporary settings folder of a simulation is removed.
class StopOnSignal {
  public:
    StopOnSignal() = default;
    ~StopOnSignal() {
        if (!waiter_.joinable()) return;
        leaving_.store(true);
        ::kill(::getpid(), SIGTERM);  // wakes the waiter, which sees that the program ends
        waiter_.join();
    }
    // Call once the application object exists.
    void start() {
        waiter_ = std::thread([this] {
            signals_.Wait();
            if (leaving_.load()) return;
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        });
    }

  private:
    qmt::TerminationSignals signals_;  // blocks the signals before any thread starts
    std::atomic<bool> leaving_{false};
    std::thread waiter_;
};

}  // namespace

int main(int argc, char** argv) {
    StopOnSignal stopOnSignal;
    QApplication app(argc, argv);
    // Every window, the editor opened alone with --edit too, carries the installed icon.
    QApplication::setWindowIcon(QIcon::fromTheme("qmtmidiconfig"));
    stopOnSignal.start();
    Options options;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options)) return Usage();

    qmt::QmtMidiBrand brand;
    qmt::ConfigPlatform platform;
    std::string error;
    if (!platform.start(options.simulate, options.session, error)) {
        std::fprintf(stderr, "qmtmidiconfig: %s\n", error.c_str());
        return 1;
    }
    if (options.simulate)
        std::printf("qmtmidiconfig: simulated desktop%s%s\n",
                    platform.temporaryFolder().empty() ? "" : ", settings in ",
                    platform.temporaryFolder().c_str());

    qmt::QtMessageBox messages;
    qmt::EditorContext editor{platform.settings(), messages, [] { qmt::NotifyMidiDriver(); },
                              &platform.devices(), &platform.hidFiles()};
    if (options.editorOnly) {
        qmt::RunPresetEditor(nullptr, editor,
                             options.editPath.empty() ? nullptr : &options.editPath, options.kind);
        return 0;
    }

    qmt::MappingDialog dialog(
        {platform.devices(), platform.settings(), messages, [] { qmt::NotifyMidiDriver(); }});
    qmt::MappingDialogWindow window(
        dialog, [&editor](QWidget* owner, const std::string* path, qmt::PresetKind kind) {
            qmt::RunPresetEditor(owner, editor, path, kind);
        });
    window.start();
    window.exec();
    return 0;
}
