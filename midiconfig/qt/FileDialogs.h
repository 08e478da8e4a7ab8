#pragma once
// The program's file dialogs, run from a request of the logic: title, initial folder, the
// filter's text and patterns, and for saving the default extension.

#include "midiconfig/PresetEditor.h"

class QWidget;

namespace qmt {

PresetEditor::FileDialogResult RunFileDialog(QWidget* owner,
                                             const PresetEditor::FileDialogRequest& request);

}  // namespace qmt
