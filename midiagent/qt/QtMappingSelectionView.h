#pragma once
// The mapping-selection dialog drawn by Qt: the text, a drop-down list of the mappings and
// OK / Cancel. Escape and the window's close button count as Cancel.

#include "midiagent/MappingSelectionDialog.h"

class QDialog;

namespace qmt {

class QtMappingSelectionView final : public MappingSelectionViewIf {
  public:
    void run(MappingSelectionDialog& dialog) override;

    // Builds the dialog's window wired to `dialog` without showing it (tests drive it).
    static QDialog* create(MappingSelectionDialog& dialog);
};

}  // namespace qmt
