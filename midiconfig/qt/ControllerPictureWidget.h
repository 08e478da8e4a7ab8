#pragma once
// The picture area of the preset editor as a Qt widget: it only draws and forwards the
// mouse; what is drawn and what a point hits are ControllerPicture's. Each paint composes
// the whole area off-screen and copies it in one go, and the background is never erased
// first, so the picture does not flicker while the mouse moves over it.

#include <QWidget>

#include "midiconfig/ControllerPicture.h"

namespace qmt {

class ControllerPictureWidget final : public QWidget {
    Q_OBJECT

  public:
    // `picture` must outlive the widget.
    explicit ControllerPictureWidget(ControllerPicture& picture, QWidget* parent = nullptr);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    ControllerPicture& picture_;
};

}  // namespace qmt
