// The ARDO RAW and the ARDO RAW PROTO 2009 (KQP and KRP presets, 437 x 472): one picture
// for both. It has velocity pads, two faders with their buttons, endless EQ knobs that
// push, and a selector: the knob is the PROTO 2009's "Selector", its four numbered positions
// are the ARDO RAW's "Selector 1" to "Selector 4".

#include "ControlLayout.h"

namespace qmt::picturegen {

Layout ArdoRawLayout() {
    Layout l;
    l.name = "KRP/KQP";
    l.width = 437;
    l.height = 472;
    l.labelPixels = 8;
    l.panels = {
        {QRectF(14, 42, 66, 202), "EQ"},        {QRectF(86, 42, 265, 202), ""},
        {QRectF(357, 42, 66, 202), "SELECT"},   {QRectF(14, 252, 122, 124), "PADS"},
        {QRectF(307, 252, 116, 206), "FADERS"},
    };
    l.texts = {
        {QPointF(150, 31), "QMT", 17, true, QColor(0xF2, 0xF4, 0xF6)},
        {QPointF(194, 31), "ARDO RAW", 13, false, QColor(0xB8, 0xBE, 0xC6)},
    };
    using S = Shape;
    l.controls = {
        // Endless EQ knobs; each cap pushes.
        {50, S::EndlessKnob, QRectF(31, 58, 32, 32), "GAIN"},
        {80, S::KnobPush, QRectF(40, 67, 14, 14), ""},
        {52, S::EndlessKnob, QRectF(31, 104, 32, 32), "HIGH"},
        {81, S::KnobPush, QRectF(40, 113, 14, 14), ""},
        {54, S::EndlessKnob, QRectF(31, 150, 32, 32), "MID"},
        {82, S::KnobPush, QRectF(40, 159, 14, 14), ""},
        {56, S::EndlessKnob, QRectF(31, 196, 32, 32), "LOW"},
        {83, S::KnobPush, QRectF(40, 205, 14, 14), ""},
        // Buttons A to F above the touch pad.
        {2, S::Button, QRectF(96, 50, 38, 17), "A", Accent::Blue},
        {3, S::Button, QRectF(138, 50, 38, 17), "B", Accent::Blue},
        {4, S::Button, QRectF(180, 50, 38, 17), "C", Accent::Blue},
        {5, S::Button, QRectF(222, 50, 38, 17), "D", Accent::Blue},
        {76, S::Button, QRectF(264, 50, 38, 17), "E", Accent::Blue},
        {77, S::Button, QRectF(306, 50, 38, 17), "F", Accent::Blue},
        // Selector with its four positions, and the headphones.
        {75, S::Selector, QRectF(372, 74, 36, 36), ""},
        {84, S::SelectorMark, QRectF(362, 64, 13, 13), "1"},
        {85, S::SelectorMark, QRectF(405, 64, 13, 13), "2"},
        {86, S::SelectorMark, QRectF(405, 107, 13, 13), "3"},
        {87, S::SelectorMark, QRectF(362, 107, 13, 13), "4"},
        {59, S::Knob, QRectF(374, 160, 32, 32), "PHONES"},
        // Velocity pads, NW NE over SW SE, then the transport.
        {70, S::VelocityPad, QRectF(22, 268, 50, 48), ""},
        {71, S::VelocityPad, QRectF(78, 268, 50, 48), ""},
        {73, S::VelocityPad, QRectF(22, 322, 50, 48), ""},
        {72, S::VelocityPad, QRectF(78, 322, 50, 48), ""},
        {19, S::Button, QRectF(18, 384, 36, 17), "REV"},
        {20, S::Button, QRectF(58, 384, 38, 17), "BRAKE"},
        {38, S::Button, QRectF(100, 384, 36, 17), "FF"},
        {33, S::RoundButton, QRectF(16, 412, 36, 36), "STOP", Accent::Red},
        {21, S::RoundButton, QRectF(56, 412, 36, 36), "CUE", Accent::Orange},
        {22, S::RoundButton, QRectF(96, 412, 36, 36), "PLAY", Accent::Green},
        // Two faders, each with its button.
        {78, S::Button, QRectF(318, 268, 40, 17), "A"},
        {79, S::Button, QRectF(372, 268, 40, 17), "B"},
        {24, S::Fader, QRectF(323, 292, 30, 146), "SLIDER"},
        {74, S::Fader, QRectF(377, 292, 30, 146), "SLIDER 2"},
    };
    AddArdoFamilyParts(l);
    return l;
}

}  // namespace qmt::picturegen
