#include "midiconfig/qt/PresetEditorLauncher.h"

#include <QGuiApplication>
#include <QScreen>

#include "midiconfig/PresetEditor.h"
#include "midiconfig/qt/PresetEditorWindow.h"

namespace qmt {

void RunPresetEditor(QWidget* owner, EditorContext& context, const std::string* path,
                     PresetKind kind) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->virtualGeometry() : QRect();
    if (!PresetEditor::screenLargeEnough(area.width(), area.height(), context.messages)) return;
    PresetEditor editor({context.settings, context.messages, context.notifyDriver, context.devices,
                         context.hidFiles});
    if (path) {
        if (!editor.openFile(*path)) return;
    } else {
        editor.openNew(kind);
    }
    PresetEditorWindow window(editor, owner);
    editor.initialize(window);
    window.centreOnScreen();
    window.exec();
}

}  // namespace qmt
