#include "midiconfig/qt/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qmt {

void CentreOnPrimaryScreen(QWidget& window) {
    window.adjustSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + ((area.width() - size.width()) >> 1),
                area.y() + ((area.height() - size.height()) >> 1));
}

}  // namespace qmt
