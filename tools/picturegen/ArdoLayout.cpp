// The ARDO (KAP presets, 437 x 472): a two-deck controller with a three-band mixer per
// deck, a touch pad, custom buttons, and a jog wheel ringed by four small wheels.

#include "ControlLayout.h"
#include "model/ControlId.h"

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
        {kControlGainLeft, S::Knob, QRectF(31, 58, 32, 32), "GAIN"},
        {kControlTrebleLeft, S::Knob, QRectF(31, 104, 32, 32), "HIGH"},
        {kControlMidLeft, S::Knob, QRectF(31, 150, 32, 32), "MID"},
        {kControlBassLeft, S::Knob, QRectF(31, 196, 32, 32), "LOW"},
        {kControlGainRight, S::Knob, QRectF(374, 58, 32, 32), "GAIN"},
        {kControlTrebleRight, S::Knob, QRectF(374, 104, 32, 32), "HIGH"},
        {kControlMidRight, S::Knob, QRectF(374, 150, 32, 32), "MID"},
        {kControlBassRight, S::Knob, QRectF(374, 196, 32, 32), "LOW"},
        // Custom buttons above the touch pad.
        {kControlCustom1, S::Button, QRectF(96, 50, 38, 17), "C1", Accent::Blue},
        {kControlCustom2, S::Button, QRectF(138, 50, 38, 17), "C2", Accent::Blue},
        {kControlCustom3, S::Button, QRectF(180, 50, 38, 17), "C3", Accent::Blue},
        {kControlCustom4, S::Button, QRectF(222, 50, 38, 17), "C4", Accent::Blue},
        {kControlCustom5, S::Button, QRectF(264, 50, 38, 17), "C5", Accent::Blue},
        {kControlCustom6, S::Button, QRectF(306, 50, 38, 17), "C6", Accent::Blue},
        // Headphones (the crossfader and the deck switch are shared).
        {kControlHeadphoneVolume, S::Knob, QRectF(102, 200, 26, 26), "PHONES"},
        // Loops and beat lengths.
        {kControlLoopIn, S::Button, QRectF(20, 266, 50, 16), "IN"},
        {kControlLoopOut, S::Button, QRectF(74, 266, 50, 16), "OUT"},
        {kControlLoop, S::Button, QRectF(20, 286, 104, 16), "LOOP", Accent::Orange},
        {kControlEighthBeat, S::Button, QRectF(20, 330, 23, 17), "1/8"},
        {kControlQuarterBeat, S::Button, QRectF(47, 330, 23, 17), "1/4"},
        {kControlHalfBeat, S::Button, QRectF(74, 330, 23, 17), "1/2"},
        {kControlWholeBeat, S::Button, QRectF(101, 330, 23, 17), "1/1"},
        // Transport.
        {kControlReverse, S::Button, QRectF(18, 362, 52, 17), "REV"},
        {kControlBrake, S::Button, QRectF(76, 362, 52, 17), "BRAKE"},
        {kControlStop, S::Button, QRectF(18, 384, 52, 17), "STOP", Accent::Red},
        {kControlFastForward, S::Button, QRectF(76, 384, 52, 17), "FF \u25B6\u25B6"},
        {kControlCue, S::RoundButton, QRectF(20, 408, 44, 44), "CUE", Accent::Orange},
        {kControlPlay, S::RoundButton, QRectF(80, 408, 44, 44), "PLAY", Accent::Green},
        // Pitch: fader, its touch strip, the range button.
        {kControlSliderScale, S::Button, QRectF(316, 270, 48, 17), "SCALE"},
        {kControlSliderTouch, S::TouchStrip, QRectF(344, 296, 14, 142), "TOUCH"},
        {kControlSlider, S::Fader, QRectF(368, 270, 30, 168), "PITCH"},
    };
    AddArdoFamilyParts(l);
    return l;
}

}  // namespace qmt::picturegen
