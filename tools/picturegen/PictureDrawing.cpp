#include "PictureDrawing.h"

#include <QConicalGradient>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qmt::picturegen {

namespace {

constexpr uint8_t kNoControl = 255;
// The committed pictures were drawn with this family (Debian's fonts-dejavu-core).
const char* const kFontFamily = "DejaVu Sans Condensed";

QColor Grey(int v, int alpha = 255) {
    return QColor(v, v, v, alpha);
}

QColor AccentColour(Accent accent) {
    switch (accent) {
        case Accent::Green:
            return QColor(0x5C, 0xE0, 0x78);
        case Accent::Orange:
            return QColor(0xFF, 0xA8, 0x3C);
        case Accent::Red:
            return QColor(0xFF, 0x58, 0x4A);
        case Accent::Blue:
            return QColor(0x5A, 0xB4, 0xFF);
        case Accent::White:
            return QColor(0xFF, 0xFF, 0xFF);
        case Accent::None:
            break;
    }
    return QColor(0xE4, 0xE7, 0xEB);
}

QFont LabelFont(double pixels, bool bold = true) {
    QFont font(kFontFamily);
    font.setPixelSize(std::max(1, int(std::lround(pixels))));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// Draws `text` centred in `box`, shrinking the font until every line fits its width.
void CentredText(QPainter& p, const QRectF& box, const QString& text, double pixels,
                 const QColor& colour, bool bold = true) {
    if (text.isEmpty()) return;
    const QStringList lines = text.split('\n');
    QFont font = LabelFont(pixels, bold);
    for (double size = pixels; size >= 5; size -= 0.5) {
        font = LabelFont(size, bold);
        const QFontMetricsF metrics(font);
        double widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        if (widest <= box.width() - 2) break;
    }
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

// The printed name under (or over) a control.
void LabelUnder(QPainter& p, const QRectF& box, const QString& text, double pixels) {
    const double lines = text.count('\n') + 1;
    const QRectF area(box.center().x() - 40, box.bottom() + 1, 80, lines * (pixels + 2));
    CentredText(p, area, text, pixels, QColor(0xB8, 0xBD, 0xC4));
}

double Radius(const QRectF& box) {
    return std::min(box.width(), box.height()) / 2;
}

QPointF OnCircle(QPointF centre, double radius, double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    return centre + QPointF(std::cos(a) * radius, -std::sin(a) * radius);
}

// A small deterministic generator for the brushed finish, so every run draws the same.
uint32_t NextNoise(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 24;
}

void DrawBody(QPainter& p, const Layout& l) {
    const QRectF outer(0.5, 0.5, l.width - 1, l.height - 1);
    const double corner = l.width < 400 ? 14 : 18;
    p.setPen(Qt::NoPen);
    p.setBrush(Grey(12));
    p.drawRoundedRect(outer, corner, corner);
    const QRectF plate = outer.adjusted(2, 2, -2, -2);
    QLinearGradient g(plate.topLeft(), plate.bottomLeft());
    g.setColorAt(0, QColor(0x55, 0x59, 0x61));
    g.setColorAt(0.08, QColor(0x43, 0x46, 0x4D));
    g.setColorAt(1, QColor(0x25, 0x27, 0x2B));
    p.setBrush(g);
    p.drawRoundedRect(plate, corner - 2, corner - 2);

    // Brushed aluminium: faint horizontal streaks across the plate.
    QPainterPath clip;
    clip.addRoundedRect(plate, corner - 2, corner - 2);
    p.save();
    p.setClipPath(clip);
    uint32_t noise = 0x5EED;
    for (int y = 0; y < l.height; ++y) {
        const int shade = int(NextNoise(noise) % 24);
        p.setPen(shade < 12 ? QColor(255, 255, 255, shade) : QColor(0, 0, 0, shade - 12));
        p.drawLine(QPointF(0, y + 0.5), QPointF(l.width, y + 0.5));
    }
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 45), 1));
    p.drawRoundedRect(plate.adjusted(0.5, 0.5, -0.5, -0.5), corner - 2.5, corner - 2.5);
    // Screws in the corners.
    for (QPointF s : {plate.topLeft() + QPointF(9, 9), plate.topRight() + QPointF(-9, 9),
                      plate.bottomLeft() + QPointF(9, -9), plate.bottomRight() + QPointF(-9, -9)}) {
        QRadialGradient screw(s - QPointF(1, 1), 4);
        screw.setColorAt(0, Grey(0xB0));
        screw.setColorAt(1, Grey(0x50));
        p.setPen(QPen(Grey(0x18), 0.8));
        p.setBrush(screw);
        p.drawEllipse(s, 3.2, 3.2);
        p.setPen(QPen(Grey(0x30), 0.9));
        p.drawLine(s + QPointF(-2, 1.2), s + QPointF(2, -1.2));
    }
}

void DrawPanel(QPainter& p, const Panel& panel, double labelPixels) {
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(panel.box, 6, 6);
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(panel.box.adjusted(1, 1, -1, -1), 5, 5);
    if (panel.title.isEmpty()) return;
    p.setFont(LabelFont(labelPixels - 0.5));
    p.setPen(QColor(0x8E, 0x96, 0xA0));
    p.drawText(panel.box.topLeft() + QPointF(6, labelPixels + 3), panel.title);
}

void DrawText(QPainter& p, const Text& t) {
    p.setFont(LabelFont(t.pixelSize, t.bold));
    p.setPen(t.colour);
    p.drawText(t.at, t.text);
}

void DrawButton(QPainter& p, const Control& c, double labelPixels, bool round) {
    const QRectF box = c.box;
    const double corner = round ? Radius(box) : std::min(4.0, Radius(box) * 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawRoundedRect(box.translated(0, 1.2), corner, corner);
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, QColor(0x7A, 0x7E, 0x87));
    g.setColorAt(0.45, QColor(0x55, 0x58, 0x5F));
    g.setColorAt(1, QColor(0x3E, 0x40, 0x46));
    p.setBrush(g);
    p.setPen(QPen(Grey(0x16), 1));
    p.drawRoundedRect(box, corner, corner);
    p.setPen(QPen(QColor(255, 255, 255, 55), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(1, 1, -1, -1), corner - 1, corner - 1);
    if (c.accent != Accent::None) {  // the backlight shows round the edge
        QColor glow = AccentColour(c.accent);
        glow.setAlpha(150);
        p.setPen(QPen(glow, 1.2));
        p.drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), corner - 1.5, corner - 1.5);
    }
    CentredText(p, box, c.label, labelPixels, AccentColour(c.accent));
}

void DrawKnobBody(QPainter& p, QPointF centre, double r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawEllipse(centre + QPointF(0, 1.5), r, r);
    p.setBrush(Grey(0x1B));
    p.setPen(QPen(Grey(0x0C), 1));
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(Grey(0x3A), 1));  // knurled grip
    for (int i = 0; i < 28; ++i) {
        const double a = i * 360.0 / 28;
        p.drawLine(OnCircle(centre, r * 0.78, a), OnCircle(centre, r * 0.97, a));
    }
    QRadialGradient cap(centre - QPointF(r * 0.25, r * 0.3), r * 0.9);
    cap.setColorAt(0, Grey(0xA6));
    cap.setColorAt(0.5, Grey(0x6A));
    cap.setColorAt(1, Grey(0x34));
    p.setBrush(cap);
    p.setPen(QPen(Grey(0x14), 0.8));
    p.drawEllipse(centre, r * 0.72, r * 0.72);
}

void DrawKnob(QPainter& p, const Control& c, double labelPixels, bool endless) {
    const QPointF centre = c.box.center();
    const double r = Radius(c.box);
    p.setPen(Qt::NoPen);
    p.setBrush(Grey(0xC8));
    if (endless) {  // no end stops: a dotted ring all round
        for (int i = 0; i < 24; ++i)
            p.drawEllipse(OnCircle(centre, r + 2.6, i * 15.0), 0.6, 0.6);
    } else {  // the scale from 7 to 5 o'clock
        for (int i = 0; i <= 10; ++i)
            p.drawEllipse(OnCircle(centre, r + 2.8, 225 - i * 27.0), 0.8, 0.8);
    }
    DrawKnobBody(p, centre, r);
    p.setPen(QPen(Grey(0xF4), std::max(1.2, r * 0.12), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(OnCircle(centre, r * 0.2, 90), OnCircle(centre, r * 0.66, 90));
    LabelUnder(p, c.box.adjusted(0, 2, 0, 2), c.label, labelPixels);
}

void DrawKnobPush(QPainter& p, const Control& c) {
    const QPointF centre = c.box.center();
    const double r = Radius(c.box);
    QRadialGradient g(centre - QPointF(r * 0.3, r * 0.3), r * 1.2);
    g.setColorAt(0, Grey(0xC4));
    g.setColorAt(1, Grey(0x5A));
    p.setBrush(g);
    p.setPen(QPen(Grey(0x20), 0.8));
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(Grey(0x30), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, r * 0.55, r * 0.55);
}

void DrawFader(QPainter& p, const Control& c, double labelPixels) {
    const QRectF box = c.box;
    const bool vertical = box.height() > box.width();
    const double length = vertical ? box.height() : box.width();
    const double across = vertical ? box.width() : box.height();
    const QPointF mid = box.center();
    // Scale ticks on both sides of the slot.
    p.setPen(QPen(Grey(0xA8), 0.8));
    for (int i = 0; i <= 10; ++i) {
        const double t = 6 + (length - 12) * i / 10;
        const double w = i % 5 == 0 ? across * 0.42 : across * 0.3;
        if (vertical) {
            const double y = box.top() + t;
            p.drawLine(QPointF(mid.x() - w, y), QPointF(mid.x() - across * 0.16, y));
            p.drawLine(QPointF(mid.x() + across * 0.16, y), QPointF(mid.x() + w, y));
        } else {
            const double x = box.left() + t;
            p.drawLine(QPointF(x, mid.y() - w), QPointF(x, mid.y() - across * 0.16));
            p.drawLine(QPointF(x, mid.y() + across * 0.16), QPointF(x, mid.y() + w));
        }
    }
    // The slot.
    const QRectF slot = vertical ? QRectF(mid.x() - 2, box.top() + 2, 4, box.height() - 4)
                                 : QRectF(box.left() + 2, mid.y() - 2, box.width() - 4, 4);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.setBrush(Grey(0x08));
    p.drawRoundedRect(slot, 2, 2);
    // The cap, in the middle of its travel.
    const double capLong = std::clamp(length * 0.13, 9.0, 20.0);
    const double capAcross = across * 0.78;
    const QRectF cap =
        vertical ? QRectF(mid.x() - capAcross / 2, mid.y() - capLong / 2, capAcross, capLong)
                 : QRectF(mid.x() - capLong / 2, mid.y() - capAcross / 2, capLong, capAcross);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawRoundedRect(cap.translated(0, 1.5), 2, 2);
    QLinearGradient g(cap.topLeft(), vertical ? cap.bottomLeft() : cap.topRight());
    g.setColorAt(0, Grey(0x9A));
    g.setColorAt(0.5, Grey(0x3C));
    g.setColorAt(1, Grey(0x86));
    p.setBrush(g);
    p.setPen(QPen(Grey(0x12), 0.8));
    p.drawRoundedRect(cap, 2, 2);
    p.setPen(QPen(Grey(0xF2), 1.2));
    if (vertical)
        p.drawLine(QPointF(cap.left() + 1.5, mid.y()), QPointF(cap.right() - 1.5, mid.y()));
    else
        p.drawLine(QPointF(mid.x(), cap.top() + 1.5), QPointF(mid.x(), cap.bottom() - 1.5));
    LabelUnder(p, box, c.label, labelPixels);
}

void DrawTouchStrip(QPainter& p, const Control& c, double labelPixels) {
    QLinearGradient g(c.box.topLeft(), c.box.topRight());
    g.setColorAt(0, QColor(0x1A, 0x22, 0x2E));
    g.setColorAt(0.5, QColor(0x2A, 0x36, 0x48));
    g.setColorAt(1, QColor(0x1A, 0x22, 0x2E));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x5A, 0x8C, 0xC8, 150), 1));
    p.drawRoundedRect(c.box, 3, 3);
    p.setPen(QPen(QColor(0x7A, 0xAA, 0xE0, 110), 0.8));
    for (double y = c.box.top() + 8; y < c.box.bottom() - 4; y += 8)
        p.drawLine(QPointF(c.box.left() + 3, y), QPointF(c.box.right() - 3, y));
    // The name runs along the strip, read from below.
    p.save();
    p.translate(c.box.center());
    p.rotate(-90);
    const QRectF along(-c.box.height() / 2, -c.box.width() / 2, c.box.height(), c.box.width());
    p.setBrush(QColor(0x1A, 0x22, 0x2E));
    p.setPen(Qt::NoPen);
    const double textWidth = QFontMetricsF(LabelFont(labelPixels - 1)).horizontalAdvance(c.label);
    if (!c.label.isEmpty())
        p.drawRect(QRectF(-textWidth / 2 - 3, along.top() + 2, textWidth + 6, along.height() - 4));
    CentredText(p, along, c.label, labelPixels - 1, QColor(0xA8, 0xCC, 0xF4));
    p.restore();
}

void DrawWheelRim(QPainter& p, QPointF centre, double r, int dimples) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 130));
    p.drawEllipse(centre + QPointF(0, 2.5), r + 1, r + 1);
    QRadialGradient rim(centre - QPointF(r * 0.3, r * 0.35), r * 1.25);
    rim.setColorAt(0, Grey(0x4A));
    rim.setColorAt(0.7, Grey(0x22));
    rim.setColorAt(1, Grey(0x10));
    p.setBrush(rim);
    p.setPen(QPen(Grey(0x08), 1));
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, r - 1.5, r - 1.5);
    // Finger grips round the edge.
    const double dr = std::max(1.2, r * 0.035);
    for (int i = 0; i < dimples; ++i) {
        const QPointF d = OnCircle(centre, r * 0.9, i * 360.0 / dimples);
        p.setPen(QPen(QColor(255, 255, 255, 50), 0.6));
        p.setBrush(Grey(0x0C));
        p.drawEllipse(d, dr, dr);
    }
}

void DrawPlatter(QPainter& p, QPointF centre, double r, bool marker) {
    QConicalGradient metal(centre, 45);  // spun aluminium: light and dark sectors
    metal.setColorAt(0.0, Grey(0xC8));
    metal.setColorAt(0.12, Grey(0x86));
    metal.setColorAt(0.25, Grey(0xD2));
    metal.setColorAt(0.38, Grey(0x7A));
    metal.setColorAt(0.5, Grey(0xC8));
    metal.setColorAt(0.62, Grey(0x86));
    metal.setColorAt(0.75, Grey(0xD2));
    metal.setColorAt(0.88, Grey(0x7A));
    metal.setColorAt(1.0, Grey(0xC8));
    p.setBrush(metal);
    p.setPen(QPen(Grey(0x1A), 1));
    p.drawEllipse(centre, r, r);
    p.setBrush(Qt::NoBrush);
    for (double rr = r * 0.25; rr < r - 1; rr += std::max(2.0, r * 0.07)) {
        p.setPen(QPen(QColor(0, 0, 0, 22), 0.6));
        p.drawEllipse(centre, rr, rr);
    }
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawArc(QRectF(centre.x() - r + 1, centre.y() - r + 1, 2 * r - 2, 2 * r - 2), 40 * 16,
              100 * 16);
    if (marker) {
        p.setPen(
            QPen(QColor(0xFF, 0x8A, 0x2A), std::max(1.5, r * 0.05), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(OnCircle(centre, r * 0.62, 90), OnCircle(centre, r * 0.92, 90));
    }
}

void DrawJogHub(QPainter& p, const Control& c, double labelPixels) {
    const QPointF centre = c.box.center();
    const double r = Radius(c.box);
    QRadialGradient g(centre - QPointF(r * 0.3, r * 0.3), r * 1.3);
    g.setColorAt(0, Grey(0x5A));
    g.setColorAt(1, Grey(0x16));
    p.setBrush(g);
    p.setPen(QPen(Grey(0x0A), 1));
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(QColor(255, 255, 255, 60), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, r - 1.5, r - 1.5);
    CentredText(p, c.box, c.label, labelPixels * 0.9, QColor(0xC8, 0xCC, 0xD2));
}

void DrawTouchPad(QPainter& p, const Control& c, double labelPixels) {
    QLinearGradient g(c.box.topLeft(), c.box.bottomRight());
    g.setColorAt(0, QColor(0x24, 0x27, 0x2D));
    g.setColorAt(1, QColor(0x0F, 0x10, 0x13));
    p.setBrush(g);
    p.setPen(QPen(Grey(0x08), 1));
    p.drawRoundedRect(c.box, 5, 5);
    p.setPen(QPen(QColor(255, 255, 255, 14), 0.8));
    for (double x = c.box.left() + 14; x < c.box.right() - 4; x += 14)
        p.drawLine(QPointF(x, c.box.top() + 3), QPointF(x, c.box.bottom() - 3));
    for (double y = c.box.top() + 14; y < c.box.bottom() - 4; y += 14)
        p.drawLine(QPointF(c.box.left() + 3, y), QPointF(c.box.right() - 3, y));
    p.setPen(QPen(QColor(255, 255, 255, 35), 1));  // gloss along the top edge
    p.drawLine(c.box.topLeft() + QPointF(6, 1.5), c.box.topRight() + QPointF(-6, 1.5));
    CentredText(p, c.box, c.label, labelPixels + 1, QColor(255, 255, 255, 70));
}

void DrawTouchPadStrip(QPainter& p, const Control& c, double labelPixels) {
    p.setBrush(QColor(0x3C, 0x6E, 0xAA, 70));
    p.setPen(QPen(QColor(0x6A, 0xA2, 0xE6, 120), 0.8));
    p.drawRoundedRect(c.box.adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    const bool vertical = c.box.height() > c.box.width();
    p.setPen(QPen(QColor(0xA8, 0xCC, 0xF4, 150), 1));
    const QPointF m = c.box.center();
    const double half = (vertical ? c.box.height() : c.box.width()) * 0.32;
    if (vertical) {  // a two-way arrow along the strip
        p.drawLine(m + QPointF(0, -half), m + QPointF(0, half));
        p.drawLine(m + QPointF(0, -half), m + QPointF(-2.5, -half + 3));
        p.drawLine(m + QPointF(0, -half), m + QPointF(2.5, -half + 3));
        p.drawLine(m + QPointF(0, half), m + QPointF(-2.5, half - 3));
        p.drawLine(m + QPointF(0, half), m + QPointF(2.5, half - 3));
    } else {
        p.drawLine(m + QPointF(-half, 0), m + QPointF(half, 0));
        p.drawLine(m + QPointF(-half, 0), m + QPointF(-half + 3, -2.5));
        p.drawLine(m + QPointF(-half, 0), m + QPointF(-half + 3, 2.5));
        p.drawLine(m + QPointF(half, 0), m + QPointF(half - 3, -2.5));
        p.drawLine(m + QPointF(half, 0), m + QPointF(half - 3, 2.5));
    }
    const QRectF labelBox = vertical ? QRectF(c.box.left(), c.box.top() + 2, c.box.width(), 10)
                                     : QRectF(c.box.left() + 2, c.box.top(), 12, c.box.height());
    CentredText(p, labelBox, c.label, labelPixels, QColor(0xC4, 0xDC, 0xF8));
}

void DrawVelocityPad(QPainter& p, const Control& c, double labelPixels) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawRoundedRect(c.box.translated(0, 1.5), 6, 6);
    QRadialGradient g(c.box.center() - QPointF(0, c.box.height() * 0.2), c.box.width() * 0.75);
    g.setColorAt(0, QColor(0x62, 0x58, 0x6E));
    g.setColorAt(1, QColor(0x34, 0x2E, 0x3C));
    p.setBrush(g);
    p.setPen(QPen(Grey(0x12), 1));
    p.drawRoundedRect(c.box, 6, 6);
    p.setPen(QPen(QColor(0xC8, 0x9C, 0xFF, 110), 1));  // the pad's light ring
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(c.box.adjusted(2, 2, -2, -2), 4.5, 4.5);
    CentredText(p, c.box, c.label, labelPixels, QColor(0xE4, 0xDA, 0xF0));
}

void DrawSelector(QPainter& p, const Control& c, double labelPixels) {
    const QPointF centre = c.box.center();
    const double r = Radius(c.box);
    DrawKnobBody(p, centre, r);
    // A pointer bar across the cap, set to the first position.
    p.setPen(QPen(Grey(0xF0), std::max(1.5, r * 0.16), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(OnCircle(centre, r * 0.62, 225), OnCircle(centre, r * 0.62, 45));
    LabelUnder(p, c.box.adjusted(0, 2, 0, 2), c.label, labelPixels);
}

void DrawSelectorMark(QPainter& p, const Control& c, double labelPixels) {
    p.setBrush(QColor(0x2A, 0x2C, 0x30));
    p.setPen(QPen(QColor(0xC8, 0xCC, 0xD2, 160), 0.8));
    p.drawEllipse(c.box);
    CentredText(p, c.box, c.label, labelPixels, QColor(0xE8, 0xEA, 0xEE));
}

void DrawControl(QPainter& p, const Control& c, double labelPixels) {
    const QPointF centre = c.box.center();
    const double r = Radius(c.box);
    switch (c.shape) {
        case Shape::Button:
            DrawButton(p, c, labelPixels, false);
            break;
        case Shape::RoundButton:
            DrawButton(p, c, labelPixels, true);
            break;
        case Shape::Knob:
            DrawKnob(p, c, labelPixels, false);
            break;
        case Shape::EndlessKnob:
            DrawKnob(p, c, labelPixels, true);
            break;
        case Shape::KnobPush:
            DrawKnobPush(p, c);
            break;
        case Shape::Fader:
            DrawFader(p, c, labelPixels);
            break;
        case Shape::TouchStrip:
            DrawTouchStrip(p, c, labelPixels);
            break;
        case Shape::JogRing:
            DrawWheelRim(p, centre, r, 48);
            break;
        case Shape::JogTop:
            DrawPlatter(p, centre, r, true);
            break;
        case Shape::JogHub:
            DrawJogHub(p, c, labelPixels);
            break;
        case Shape::SmallWheel:
            DrawWheelRim(p, centre, r, 16);
            break;
        case Shape::SmallWheelTop:
            DrawPlatter(p, centre, r, false);
            break;
        case Shape::TouchPad:
            DrawTouchPad(p, c, labelPixels);
            break;
        case Shape::TouchStripY:
        case Shape::TouchStripX:
            DrawTouchPadStrip(p, c, labelPixels);
            break;
        case Shape::VelocityPad:
            DrawVelocityPad(p, c, labelPixels);
            break;
        case Shape::Selector:
            DrawSelector(p, c, labelPixels);
            break;
        case Shape::SelectorMark:
            DrawSelectorMark(p, c, labelPixels);
            break;
    }
}

// The area a click on the control hits: its drawn outline, without the printed label.
void FillHitShape(QPainter& p, const Control& c) {
    switch (c.shape) {
        case Shape::Button:
            p.drawRoundedRect(c.box, std::min(4.0, Radius(c.box) * 0.5),
                              std::min(4.0, Radius(c.box) * 0.5));
            break;
        case Shape::Fader:
        case Shape::TouchStrip:
        case Shape::TouchPad:
        case Shape::TouchStripY:
        case Shape::TouchStripX:
            p.drawRect(c.box);
            break;
        case Shape::VelocityPad:
            p.drawRoundedRect(c.box, 6, 6);
            break;
        default:
            p.drawEllipse(c.box.center(), Radius(c.box), Radius(c.box));
            break;
    }
}

}  // namespace

QImage DrawBase(const Layout& layout) {
    QImage image(layout.width, layout.height, QImage::Format_RGB32);
    image.fill(Qt::black);  // the picture area is black round the picture, so the corners are too
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawBody(p, layout);
    for (const Panel& panel : layout.panels)
        DrawPanel(p, panel, layout.labelPixels);
    for (const Text& text : layout.texts)
        DrawText(p, text);
    for (const Control& c : layout.controls)
        DrawControl(p, c, layout.labelPixels);
    return image;
}

std::vector<uint8_t> DrawHitMap(const Layout& layout) {
    QImage image(layout.width, layout.height, QImage::Format_RGB32);
    image.fill(qRgb(kNoControl, kNoControl, kNoControl));
    {
        QPainter p(&image);  // no anti-aliasing: every pixel is exactly one identifier
        p.setPen(Qt::NoPen);
        for (const Control& c : layout.controls) {
            p.setBrush(QColor(c.id, c.id, c.id));
            FillHitShape(p, c);
        }
    }
    std::vector<uint8_t> ids(size_t(layout.width) * size_t(layout.height));
    for (int y = 0; y < layout.height; ++y)
        for (int x = 0; x < layout.width; ++x)
            ids[size_t(y) * size_t(layout.width) + size_t(x)] =
                static_cast<uint8_t>(qRed(image.pixel(x, y)));
    return ids;
}

std::vector<uint8_t> Dilate(const std::vector<uint8_t>& ids, int width, int height, int pixels) {
    std::vector<uint8_t> out = ids;
    for (int pass = 0; pass < pixels; ++pass) {
        const std::vector<uint8_t> in = out;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const size_t at = size_t(y) * size_t(width) + size_t(x);
                if (in[at] != kNoControl) continue;
                // The first neighbour with a control, in a fixed order, claims the pixel.
                for (auto [dx, dy] : {std::pair{0, -1}, {-1, 0}, {1, 0}, {0, 1}}) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
                    const uint8_t id = in[size_t(ny) * size_t(width) + size_t(nx)];
                    if (id == kNoControl) continue;
                    out[at] = id;
                    break;
                }
            }
        }
    }
    return out;
}

QImage Tinted(const QImage& base, Tint tint) {
    QImage out = base.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const double r = qRed(row[x]), g = qGreen(row[x]), b = qBlue(row[x]);
            const double l = (0.3 * r + 0.59 * g + 0.11 * b) / 255;
            double nr = r, ng = g, nb = b;
            switch (tint) {
                case Tint::Blue:  // keep the drawing's light and shade, in blue
                    nr = 0.3 * r + 0.7 * (20 + 90 * l);
                    ng = 0.3 * g + 0.7 * (90 + 130 * l);
                    nb = 0.3 * b + 0.7 * (215 + 40 * l);
                    break;
                case Tint::Red:
                    nr = 0.3 * r + 0.7 * (215 + 40 * l);
                    ng = 0.3 * g + 0.7 * (40 + 110 * l);
                    nb = 0.3 * b + 0.7 * (30 + 90 * l);
                    break;
                case Tint::Darker:
                    nr = r * 0.62;
                    ng = g * 0.62;
                    nb = b * 0.62;
                    break;
                case Tint::Lighter:
                    nr = r + (255 - r) * 0.38;
                    ng = g + (255 - g) * 0.38;
                    nb = b + (255 - b) * 0.38;
                    break;
            }
            row[x] = qRgb(int(std::lround(nr)), int(std::lround(ng)), int(std::lround(nb)));
        }
    }
    return out;
}

QImage HitMapPreview(const std::vector<uint8_t>& ids, int width, int height) {
    QImage out(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t id = ids[size_t(y) * size_t(width) + size_t(x)];
            out.setPixel(x, y,
                         id == kNoControl ? qRgb(0, 0, 0)
                                          : QColor::fromHsv((id * 137) % 360, 200, 230).rgb());
        }
    }
    return out;
}

}  // namespace qmt::picturegen
