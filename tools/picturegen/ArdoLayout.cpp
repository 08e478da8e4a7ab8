// The ARDO (KAP presets, 437 x 472): a two-deck controller with a three-band mixer per
// deck, a touch pad, custom buttons, and a jog wheel ringed by four small wheels.

#include "ControlLayout.h"

namespace qmt::picturegen {

Layout ArdoLayout() {
    Layout l;
    l.name = "KAP";
    l.width = 437;
    l.height = 472;
    l.labelPixels = 8;
    l.panels = {
        {QRectF(14, 42, 66, 202), "DECK A"}, {QRectF(357, 42, 66, 202), "DECK B"},
        {QRectF(86, 42, 265, 202), ""},      {QRectF(14, 252, 116, 56), "LOOP"},
        {QRectF(14, 314, 116, 40), "BEAT"},  {QRectF(307, 252, 116, 206), "PITCH"},
    };
    l.texts = {
        {QPointF(176, 31), "QMT", 17, true, QColor(0xF2, 0xF4, 0xF6)},
        {QPointF(220, 31), "ARDO", 13, false, QColor(0xB8, 0xBE, 0xC6)},
    };
    using S = Shape;
    l.controls = {
        // Mixer: gain and three bands per deck.
        {50, S::Knob, QRectF(31, 58, 32, 32), "GAIN"},
        {52, S::Knob, QRectF(31, 104, 32, 32), "HIGH"},
        {54, S::Knob, QRectF(31, 150, 32, 32), "MID"},
        {56, S::Knob, QRectF(31, 196, 32, 32), "LOW"},
        {51, S::Knob, QRectF(374, 58, 32, 32), "GAIN"},
        {53, S::Knob, QRectF(374, 104, 32, 32), "HIGH"},
        {55, S::Knob, QRectF(374, 150, 32, 32), "MID"},
        {57, S::Knob, QRectF(374, 196, 32, 32), "LOW"},
        // Custom buttons above the touch pad.
        {42, S::Button, QRectF(96, 50, 38, 17), "C1", Accent::Blue},
        {43, S::Button, QRectF(138, 50, 38, 17), "C2", Accent::Blue},
        {44, S::Button, QRectF(180, 50, 38, 17), "C3", Accent::Blue},
        {45, S::Button, QRectF(222, 50, 38, 17), "C4", Accent::Blue},
        {46, S::Button, QRectF(264, 50, 38, 17), "C5", Accent::Blue},
        {47, S::Button, QRectF(306, 50, 38, 17), "C6", Accent::Blue},
        // Headphones (the crossfader and the deck switch are shared).
        {59, S::Knob, QRectF(102, 200, 26, 26), "PHONES"},
        // Loops and beat lengths.
        {16, S::Button, QRectF(20, 266, 50, 16), "IN"},
        {17, S::Button, QRectF(74, 266, 50, 16), "OUT"},
        {18, S::Button, QRectF(20, 286, 104, 16), "LOOP", Accent::Orange},
        {27, S::Button, QRectF(20, 330, 23, 17), "1/8"},
        {28, S::Button, QRectF(47, 330, 23, 17), "1/4"},
        {29, S::Button, QRectF(74, 330, 23, 17), "1/2"},
        {30, S::Button, QRectF(101, 330, 23, 17), "1/1"},
        // Transport.
        {19, S::Button, QRectF(18, 362, 52, 17), "REV"},
        {20, S::Button, QRectF(76, 362, 52, 17), "BRAKE"},
        {33, S::Button, QRectF(18, 384, 52, 17), "STOP", Accent::Red},
        {38, S::Button, QRectF(76, 384, 52, 17), "FF \u25B6\u25B6"},
        {21, S::RoundButton, QRectF(20, 408, 44, 44), "CUE", Accent::Orange},
        {22, S::RoundButton, QRectF(80, 408, 44, 44), "PLAY", Accent::Green},
        // Pitch: fader, its touch strip, the range button.
        {31, S::Button, QRectF(316, 270, 48, 17), "SCALE"},
        {48, S::TouchStrip, QRectF(344, 296, 14, 142), "TOUCH"},
        {24, S::Fader, QRectF(368, 270, 30, 168), "PITCH"},
    };
    AddArdoFamilyParts(l);
    return l;
}

}  // namespace qmt::picturegen
