// The parts the ARDO and the ARDO RAW share, in the same places on both top plates.

#include "ControlLayout.h"
#include "model/ControlId.h"

namespace qmt::picturegen {

void AddArdoFamilyParts(Layout& l) {
    using S = Shape;
    const std::vector<Control> shared = {
        {kControlLeftEject, S::Button, QRectF(22, 16, 52, 17), "\u25C0 EJECT"},
        {kControlRightEject, S::Button, QRectF(363, 16, 52, 17), "EJECT \u25B6"},
        // The touch pad: its surface, the X strip along the bottom, the Y strip on the left.
        {kControlTouchpadTouch, S::TouchPad, QRectF(96, 74, 248, 96), "TOUCH PAD"},
        {kControlTouchpadX, S::TouchStripX, QRectF(96, 152, 248, 18), "X"},
        {kControlTouchpadY, S::TouchStripY, QRectF(96, 74, 20, 96), "Y"},
        {kControlTouchpadLeft, S::Button, QRectF(96, 175, 120, 16), "\u25C0 LEFT"},
        {kControlTouchpadRight, S::Button, QRectF(224, 175, 120, 16), "RIGHT \u25B6"},
        {kControlCrossfader, S::Fader, QRectF(148, 203, 140, 22), "CROSSFADER"},
        {kControlDeckSwitch, S::Button, QRectF(304, 205, 40, 18), "DECK", Accent::White},
        // The jog wheel with the four small wheels round it, each with a touch cap.
        {kControlWheel, S::JogRing, QRectF(152, 290, 136, 136), ""},
        {kControlWheelTop, S::JogTop, QRectF(172, 310, 96, 96), ""},
        {kControlNwWheel, S::SmallWheel, QRectF(135, 260, 40, 40), ""},
        {kControlNwWheelTop, S::SmallWheelTop, QRectF(145, 270, 20, 20), ""},
        {kControlNeWheel, S::SmallWheel, QRectF(265, 260, 40, 40), ""},
        {kControlNeWheelTop, S::SmallWheelTop, QRectF(275, 270, 20, 20), ""},
        {kControlSwWheel, S::SmallWheel, QRectF(135, 416, 40, 40), ""},
        {kControlSwWheelTop, S::SmallWheelTop, QRectF(145, 426, 20, 20), ""},
        {kControlSeWheel, S::SmallWheel, QRectF(265, 416, 40, 40), ""},
        {kControlSeWheelTop, S::SmallWheelTop, QRectF(275, 426, 20, 20), ""},
    };
    l.controls.insert(l.controls.end(), shared.begin(), shared.end());
}

}  // namespace qmt::picturegen
