// The picture widget draws the real pictures and hands the mouse to the picture's rules.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "midiconfig/PictureSet.h"
#include "midiconfig/qt/ControllerPictureWidget.h"

namespace qmt {
namespace {

class Host : public ControllerPictureHostIf {
  public:
    void hoverChanged(uint8_t control) override { hovered = control; }
    void controlClicked(uint8_t control) override { clicked = control; }
    uint8_t selectedControl() override { return 22; }  // "Play"
    void collectModifiers(std::vector<uint8_t>&) override {}
    uint8_t hovered = kNoControl, clicked = kNoControl;
};

// A client point over the control's first hit-map pixel, for a widget of the given size.
QPoint PointOn(const ControllerPicture& picture, uint8_t control, QSize client) {
    for (int y = 0; y < client.height(); ++y)
        for (int x = 0; x < client.width(); ++x) {
            uint8_t id;
            if (picture.hitTest(x, y, client.width(), client.height(), id) && id == control)
                return QPoint(x, y);
        }
    return QPoint(-1, -1);
}

TEST(ControllerPictureWidget, PaintsThePictureAndForwardsHoverAndClicks) {
    Host host;
    ControllerPicture picture(host);
    ASSERT_TRUE(picture.load());
    picture.setKind(PresetKind::Kvp);
    ControllerPictureWidget widget(picture);
    widget.resize(400, 300);
    EXPECT_TRUE(widget.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_EQ(widget.sizeHint(), QSize(kKvpPictures.width, kKvpPictures.height));

    const QPoint cue = PointOn(picture, 21, widget.size());
    ASSERT_GE(cue.x(), 0);
    QMouseEvent move(QEvent::MouseMove, cue, widget.mapToGlobal(cue), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
    EXPECT_EQ(host.hovered, 21);
    QMouseEvent press(QEvent::MouseButtonPress, cue, widget.mapToGlobal(cue), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    EXPECT_EQ(host.clicked, 21);

    // The grab shows black round the picture and the selected control tinted blue.
    const QImage shot = widget.grab().toImage();
    EXPECT_EQ(shot.pixelColor(1, 1), QColor(Qt::black));
    const QPoint play = PointOn(picture, 22, widget.size()) + QPoint(6, 6);
    const QColor tinted = shot.pixelColor(play);
    EXPECT_GT(tinted.blue(), tinted.red() + 40);
}

}  // namespace
}  // namespace qmt
