#pragma once
// Window geometry in dialog units: the coordinates of the program's window templates scale
// with the dialog font, so the windows keep their proportions whatever font the desktop
// substitutes. One horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its height.

#include <QFont>
#include <QRect>

namespace qmt {

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    // The templates' font, "MS Shell Dlg" at 8 points; the desktop substitutes its own
    // sans-serif face for it.
    static QFont dialogFont();

    int x(int units) const;
    int y(int units) const;
    QRect rect(int left, int top, int width, int height) const;

    int baseWidth() const { return baseWidth_; }
    int baseHeight() const { return baseHeight_; }

  private:
    int baseWidth_;
    int baseHeight_;
};

}  // namespace qmt
