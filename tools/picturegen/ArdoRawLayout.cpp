// The ARDO RAW and the ARDO RAW PROTO 2009 (KQP and KRP presets, 437 x 472): one picture
// for both. It has velocity pads, two faders with their buttons, endless EQ knobs that
// push, and a selector: the knob is the PROTO 2009's "Selector", its four numbered positions
// are the ARDO RAW's "Selector 1" to "Selector 4".

#include "ControlLayout.h"
#include "model/ControlId.h"

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
        {kControlGainLeft, S::EndlessKnob, QRectF(31, 58, 32, 32), "GAIN"},
        {kControlGainLeftButton, S::KnobPush, QRectF(40, 67, 14, 14), ""},
        {kControlTrebleLeft, S::EndlessKnob, QRectF(31, 104, 32, 32), "HIGH"},
        {kControlTrebleLeftButton, S::KnobPush, QRectF(40, 113, 14, 14), ""},
        {kControlMidLeft, S::EndlessKnob, QRectF(31, 150, 32, 32), "MID"},
        {kControlMidLeftButton, S::KnobPush, QRectF(40, 159, 14, 14), ""},
        {kControlBassLeft, S::EndlessKnob, QRectF(31, 196, 32, 32), "LOW"},
        {kControlBassLeftButton, S::KnobPush, QRectF(40, 205, 14, 14), ""},
        // Buttons A to F above the touch pad.
        {kControlA, S::Button, QRectF(96, 50, 38, 17), "A", Accent::Blue},
        {kControlB, S::Button, QRectF(138, 50, 38, 17), "B", Accent::Blue},
        {kControlC, S::Button, QRectF(180, 50, 38, 17), "C", Accent::Blue},
        {kControlD, S::Button, QRectF(222, 50, 38, 17), "D", Accent::Blue},
        {kControlE, S::Button, QRectF(264, 50, 38, 17), "E", Accent::Blue},
        {kControlF, S::Button, QRectF(306, 50, 38, 17), "F", Accent::Blue},
        // Selector with its four positions, and the headphones.
        {kControlSelector, S::Selector, QRectF(372, 74, 36, 36), ""},
        {kControlSelector1, S::SelectorMark, QRectF(362, 64, 13, 13), "1"},
        {kControlSelector2, S::SelectorMark, QRectF(405, 64, 13, 13), "2"},
        {kControlSelector3, S::SelectorMark, QRectF(405, 107, 13, 13), "3"},
        {kControlSelector4, S::SelectorMark, QRectF(362, 107, 13, 13), "4"},
        {kControlHeadphoneVolume, S::Knob, QRectF(374, 160, 32, 32), "PHONES"},
        // Velocity pads, NW NE over SW SE, then the transport.
        {kControlNwVelocityPad, S::VelocityPad, QRectF(22, 268, 50, 48), ""},
        {kControlNeVelocityPad, S::VelocityPad, QRectF(78, 268, 50, 48), ""},
        {kControlSwVelocityPad, S::VelocityPad, QRectF(22, 322, 50, 48), ""},
        {kControlSeVelocityPad, S::VelocityPad, QRectF(78, 322, 50, 48), ""},
        {kControlReverse, S::Button, QRectF(18, 384, 36, 17), "REV"},
        {kControlBrake, S::Button, QRectF(58, 384, 38, 17), "BRAKE"},
        {kControlFastForward, S::Button, QRectF(100, 384, 36, 17), "FF"},
        {kControlStop, S::RoundButton, QRectF(16, 412, 36, 36), "STOP", Accent::Red},
        {kControlCue, S::RoundButton, QRectF(56, 412, 36, 36), "CUE", Accent::Orange},
        {kControlPlay, S::RoundButton, QRectF(96, 412, 36, 36), "PLAY", Accent::Green},
        // Two faders, each with its button.
        {kControlSliderA, S::Button, QRectF(318, 268, 40, 17), "A"},
        {kControlSliderB, S::Button, QRectF(372, 268, 40, 17), "B"},
        {kControlSlider, S::Fader, QRectF(323, 292, 30, 146), "SLIDER"},
        {kControlSlider2, S::Fader, QRectF(377, 292, 30, 146), "SLIDER 2"},
    };
    AddArdoFamilyParts(l);
    return l;
}

}  // namespace qmt::picturegen
