#include "midiconfig/qt/ControllerPictureWidget.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace qmt {

ControllerPictureWidget::ControllerPictureWidget(ControllerPicture& picture, QWidget* parent)
    : QWidget(parent), picture_(picture) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // nothing is erased before a paint
    setMouseTracking(true);                 // hover without a button held
}

QSize ControllerPictureWidget::sizeHint() const {
    return QSize(picture_.pictureWidth(), picture_.pictureHeight());
}

void ControllerPictureWidget::paintEvent(QPaintEvent*) {
    RgbFrame frame(width(), height());
    QPainter painter(this);
    if (!picture_.paint(frame)) {  // no picture: the area shows the window's own colour
        painter.fillRect(rect(), palette().window());
        return;
    }
    const QImage image(reinterpret_cast<const uchar*>(frame.pixels.data()), frame.width,
                       frame.height, frame.width * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
}

void ControllerPictureWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    picture_.mouseMove(at.x(), at.y(), width(), height());
}

void ControllerPictureWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    picture_.leftButtonDown(at.x(), at.y(), width(), height());
}

}  // namespace qmt
