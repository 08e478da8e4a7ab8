// qmtmidiconfig, the configuration program. Until its main window exists it opens the preset
// editor directly: `--edit FILE` on a preset file, `--new KVP|KAP|KRP|KQP` on a new preset.

#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <string>

#include "common/AsciiCase.h"
#include "devices/FindMidiDriver.h"
#include "devices/QmtMidiBrand.h"
#include "midiconfig/PresetEditor.h"
#include "midiconfig/qt/PresetEditorWindow.h"
#include "model/PresetFile.h"
#include "platform/FileRegistry.h"
#include "platform/qt/QtMessageBox.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: qmtmidiconfig [--simulate] [--edit FILE | --new KVP|KAP|KRP|KQP]\n");
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string editPath;
    qmt::PresetKind kind = qmt::PresetKind::Kvp;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--edit" && i + 1 < argc) {
            editPath = argv[++i];
        } else if (arg == "--new" && i + 1 < argc) {
            if (!KindOfName(argv[++i], kind)) return Usage();
        } else {
            return Usage();
        }
    }
    qmt::QmtMidiBrand brand;
    std::unique_ptr<qmt::FileRegistry> registry = qmt::FileRegistry::fromEnvironment();
    if (!registry) {
        std::fprintf(stderr, "qmtmidiconfig: no folder for the settings\n");
        return 1;
    }
    qmt::QtMessageBox messages;
    const QRect screen = QGuiApplication::primaryScreen()->virtualGeometry();
    if (!qmt::PresetEditor::screenLargeEnough(screen.width(), screen.height(), messages)) return 0;
    qmt::PresetEditor editor({*registry, messages, [] { qmt::NotifyMidiDriver(); }});
    if (!editPath.empty()) {
        if (!editor.openFile(editPath)) return 0;
    } else {
        editor.openNew(kind);
    }
    qmt::PresetEditorWindow window(editor);
    editor.initialize(window);
    window.centreOnScreen();
    window.exec();
    return 0;
}
