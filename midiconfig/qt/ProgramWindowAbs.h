#pragma once
// What the configuration program's two windows (the main window and the preset editor)
// share about ending: the close box and Escape only ask the logic, which may prompt or
// decline; F1 opens help on key release (so the key's release does not land in a dialog the
// press opened); and the window closes only when the logic says so through endDialog().

#include <QDialog>

class QCloseEvent;
class QKeyEvent;

namespace qmt {

class ProgramWindowAbs : public QDialog {
  public:
    using QDialog::QDialog;

  protected:
    // The logic's decision to close: the only way the window really ends.
    void endProgramWindow();

    // The user asked to close (close box), to escape (Escape) or for help (F1).
    virtual void exitRequested() = 0;
    virtual void escapeRequested() = 0;
    virtual void helpRequested() = 0;

    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    bool ended_ = false;
};

}  // namespace qmt
