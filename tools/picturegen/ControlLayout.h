#pragma once
// One layout table per controller picture: every control of the models the picture serves,
// with its shape, its place (in pixels of the picture) and its label, plus the panels and
// printed texts that make the drawing look like the controller. The same table draws the
// picture and its hit map, so what the user sees is what the user can click.

#include <QColor>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <vector>

namespace qmt::picturegen {

enum class Shape : uint8_t {
    Button,         // rubber push button, label on it
    RoundButton,    // round push button, label on it
    Knob,           // rotary potentiometer, label under it
    EndlessKnob,    // knob without end stops (the label under it names it)
    KnobPush,       // the push switch on an endless knob's cap
    Fader,          // slide potentiometer; vertical or horizontal by the box's shape
    TouchStrip,     // a touch-sensitive strip (beside a fader)
    JogRing,        // the jog wheel's outer ring (turning it)
    JogTop,         // the jog wheel's touch-sensitive top platter
    JogHub,         // the platter's centre (pressing it down)
    SmallWheel,     // one of the four small wheels
    SmallWheelTop,  // its touch-sensitive cap
    TouchPad,       // the touch pad's surface
    TouchStripY,    // the strip along the touch pad's left edge
    TouchStripX,    // the strip along the touch pad's bottom edge
    VelocityPad,    // a pressure-sensitive pad
    Selector,       // a rotary selector switch
    SelectorMark,   // one of its positions
};

enum class Accent : uint8_t { None, Green, Orange, Red, Blue, White };

struct Control {
    uint8_t id;
    Shape shape;
    QRectF box;
    QString label;  // shown on or under the control; empty: none
    Accent accent = Accent::None;
};

// A framed area of the top plate, with an optional title printed at its top left.
struct Panel {
    QRectF box;
    QString title;
};

struct Text {
    QPointF at;  // baseline start
    QString text;
    double pixelSize;
    bool bold = true;
    QColor colour = QColor(0xD8, 0xDB, 0xE0);
};

struct Layout {
    QString name;  // for messages
    int width;
    int height;
    double labelPixels;  // size of control labels
    std::vector<Panel> panels;
    std::vector<Text> texts;
    std::vector<Control> controls;  // drawn in order: later ones lie on earlier ones
};

Layout KvpLayout();
Layout ArdoLayout();
Layout ArdoRawLayout();
// Appends the ejects, the touch pad, the crossfader, the deck switch and the jog wheel with
// its small wheels, placed alike on the ARDO and the ARDO RAW.
void AddArdoFamilyParts(Layout& layout);

}  // namespace qmt::picturegen
