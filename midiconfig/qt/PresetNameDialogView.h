#pragma once
// The rename and duplicate dialogs drawn with Qt Widgets: a small topmost tool window with a
// prompt, an edit field, "Ok" (the default button) and "Cancel". PresetNameDialog decides the
// prompt and whether "Ok" is enabled.

#include <QDialog>

#include "midiconfig/PresetNameDialog.h"
#include "platform/qt/DialogUnits.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qmt {

class PresetNameDialogView final : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kWidthUnits = 184;
    static constexpr int kHeightUnits = 42;

    PresetNameDialogView(PresetNameDialog& dialog, QWidget* owner = nullptr);

    QLabel* prompt() const { return prompt_; }
    QLineEdit* edit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }

  private:
    void showState();

    PresetNameDialog& dialog_;
    DialogUnits units_;
    QLabel* prompt_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace qmt
