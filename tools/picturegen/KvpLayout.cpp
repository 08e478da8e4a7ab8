// The KV5 and KV10 (one picture for KVP presets, 350 x 222): a compact one-deck controller
// with a large jog wheel, transport and loop buttons, a navigation cross and a pitch fader.

#include "ControlLayout.h"

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
        {0, S::Button, QRectF(14, 20, 36, 16), "EJECT"},
        {1, S::Button, QRectF(14, 40, 36, 16), "PLAYLIST"},
        {6, S::Button, QRectF(14, 60, 36, 16), "PLAY\nMODE"},
        {19, S::Button, QRectF(14, 86, 36, 16), "REV"},
        {20, S::Button, QRectF(14, 106, 36, 16), "BRAKE"},
        {21, S::RoundButton, QRectF(15, 128, 34, 34), "CUE", Accent::Orange},
        {22, S::RoundButton, QRectF(15, 166, 34, 34), "PLAY", Accent::Green},
        // The jog wheel: ring, touch-sensitive top, and the centre that presses down.
        {23, S::JogRing, QRectF(56, 36, 164, 164), ""},
        {9, S::JogTop, QRectF(80, 60, 116, 116), ""},
        {25, S::JogHub, QRectF(122, 102, 32, 32), "PUSH"},
        // Navigation.
        {10, S::Button, QRectF(226, 12, 32, 14), "MENU"},
        {11, S::Button, QRectF(249, 34, 20, 15), "\u25B2"},
        {12, S::Button, QRectF(227, 53, 20, 15), "\u25C0"},
        {14, S::RoundButton, QRectF(250, 51, 19, 19), "OK"},
        {13, S::Button, QRectF(272, 53, 20, 15), "\u25B6"},
        {15, S::Button, QRectF(249, 72, 20, 15), "\u25BC"},
        // Hot cues and loops.
        {2, S::Button, QRectF(227, 108, 31, 17), "A", Accent::Blue},
        {3, S::Button, QRectF(261, 108, 31, 17), "B", Accent::Blue},
        {4, S::Button, QRectF(227, 128, 31, 17), "C", Accent::Blue},
        {5, S::Button, QRectF(261, 128, 31, 17), "D", Accent::Blue},
        {16, S::Button, QRectF(227, 166, 31, 16), "IN"},
        {17, S::Button, QRectF(261, 166, 31, 16), "OUT"},
        {18, S::Button, QRectF(227, 186, 65, 16), "LOOP", Accent::Orange},
        // Pitch.
        {8, S::Button, QRectF(262, 12, 34, 14), "RANGE"},
        {7, S::Button, QRectF(301, 12, 36, 14), "MODE"},
        {24, S::Fader, QRectF(306, 38, 26, 150), "PITCH"},
    };
    return l;
}

}  // namespace qmt::picturegen
