#include "platform/qt/DialogUnits.h"

#include <QFontMetrics>

namespace qmt {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the 52 Latin letters, rounded to whole pixels.
    const int letters =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseWidth_ = (letters / 26 + 1) / 2;
    baseHeight_ = metrics.height();
}

QFont DialogUnits::dialogFont() {
    QFont font("MS Shell Dlg", 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int DialogUnits::x(int units) const {
    return (units * baseWidth_ + 2) / 4;
}

int DialogUnits::y(int units) const {
    return (units * baseHeight_ + 4) / 8;
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return QRect(x(left), y(top), x(width), y(height));
}

}  // namespace qmt
