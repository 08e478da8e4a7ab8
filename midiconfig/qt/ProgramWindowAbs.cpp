#include "midiconfig/qt/ProgramWindowAbs.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace qmt {

void ProgramWindowAbs::endProgramWindow() {
    ended_ = true;
    done(QDialog::Accepted);
}

void ProgramWindowAbs::closeEvent(QCloseEvent* event) {
    if (!ended_) exitRequested();
    if (ended_)
        event->accept();
    else
        event->ignore();
}

void ProgramWindowAbs::reject() {
    if (!ended_) escapeRequested();
}

void ProgramWindowAbs::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && !event->isAutoRepeat()) {
        helpRequested();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

}  // namespace qmt
