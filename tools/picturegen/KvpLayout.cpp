// The KV5 and KV10 (one picture for KVP presets, 350 x 222): a compact one-deck controller
// with a large jog wheel, transport and loop buttons, a navigation cross and a pitch fader.

#include "ControlLayout.h"
#include "model/ControlId.h"

namespace qmt::picturegen {

Layout KvpLayout() {
    Layout l;
    l.name = "KVP";
    l.width = 350;
    l.height = 222;
    l.labelPixels = 7;
    l.panels = {
        {QRectF(222, 30, 74, 60), ""},         // navigation
        {QRectF(222, 96, 74, 52), "HOT CUE"},  // A to D
        {QRectF(222, 154, 74, 52), "LOOP"},    // loop buttons
        {QRectF(298, 30, 42, 176), ""},        // pitch
    };
    l.texts = {
        {QPointF(96, 27), "QMT", 13, true, QColor(0xF2, 0xF4, 0xF6)},
        {QPointF(131, 27), "KV5 \u00B7 KV10", 9, false, QColor(0xB8, 0xBE, 0xC6)},
    };
    using S = Shape;
    l.controls = {
        // Left column: browsing, then the transport.
        {kControlEject, S::Button, QRectF(14, 20, 36, 16), "EJECT"},
        {kControlPlaylist, S::Button, QRectF(14, 40, 36, 16), "PLAYLIST"},
        {kControlPlayMode, S::Button, QRectF(14, 60, 36, 16), "PLAY\nMODE"},
        {kControlReverse, S::Button, QRectF(14, 86, 36, 16), "REV"},
        {kControlBrake, S::Button, QRectF(14, 106, 36, 16), "BRAKE"},
        {kControlCue, S::RoundButton, QRectF(15, 128, 34, 34), "CUE", Accent::Orange},
        {kControlPlay, S::RoundButton, QRectF(15, 166, 34, 34), "PLAY", Accent::Green},
        // The jog wheel: ring, touch-sensitive top, and the centre that presses down.
        {kControlWheel, S::JogRing, QRectF(56, 36, 164, 164), ""},
        {kControlWheelTop, S::JogTop, QRectF(80, 60, 116, 116), ""},
        {kControlWheelAftertouch, S::JogHub, QRectF(122, 102, 32, 32), "PUSH"},
        // Navigation.
        {kControlMenu, S::Button, QRectF(226, 12, 32, 14), "MENU"},
        {kControlUp, S::Button, QRectF(249, 34, 20, 15), "\u25B2"},
        {kControlLeft, S::Button, QRectF(227, 53, 20, 15), "\u25C0"},
        {kControlOk, S::RoundButton, QRectF(250, 51, 19, 19), "OK"},
        {kControlRight, S::Button, QRectF(272, 53, 20, 15), "\u25B6"},
        {kControlDown, S::Button, QRectF(249, 72, 20, 15), "\u25BC"},
        // Hot cues and loops.
        {kControlA, S::Button, QRectF(227, 108, 31, 17), "A", Accent::Blue},
        {kControlB, S::Button, QRectF(261, 108, 31, 17), "B", Accent::Blue},
        {kControlC, S::Button, QRectF(227, 128, 31, 17), "C", Accent::Blue},
        {kControlD, S::Button, QRectF(261, 128, 31, 17), "D", Accent::Blue},
        {kControlLoopIn, S::Button, QRectF(227, 166, 31, 16), "IN"},
        {kControlLoopOut, S::Button, QRectF(261, 166, 31, 16), "OUT"},
        {kControlLoop, S::Button, QRectF(227, 186, 65, 16), "LOOP", Accent::Orange},
        // Pitch.
        {kControlPitchRange, S::Button, QRectF(262, 12, 34, 14), "RANGE"},
        {kControlPitchMode, S::Button, QRectF(301, 12, 36, 14), "MODE"},
        {kControlSlider, S::Fader, QRectF(306, 38, 26, 150), "PITCH"},
    };
    return l;
}

}  // namespace qmt::picturegen
