// qmtpicturegen: draws the controller pictures of the configuration program.
//
//   qmtpicturegen OUTDIR             writes the bitmaps (midiconfig/res/ in the source tree)
//   qmtpicturegen OUTDIR --preview   also writes PNG previews of every picture and hit map
//
// Each picture set is drawn from its layout table: the 24-bit base picture, its blue
// (selected), red (modifier) and hover variants, and the 8-bit hit map; the KVP set also
// gets a mask source whose areas are a little larger than the hit map's. The run fails when
// a layout misses a control of its models, has one of another model, or hides a control
// completely under another.

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "ControlLayout.h"
#include "PictureDrawing.h"
#include "midiconfig/DibImage.h"
#include "midiconfig/PictureSet.h"
#include "model/PresetKinds.h"

namespace qmt::picturegen {
namespace {

constexpr int kKvpMaskGrowth = 3;  // pixels the KVP highlights reach beyond the hit areas

struct SetToDraw {
    const char* name;
    Layout layout;
    PictureSetIds ids;
    std::vector<PresetKind> kinds;
    bool kvp;  // the KVP set has its own, larger mask source and a darker hover picture
};

DibImage Picture24(const QImage& image) {
    DibImage dib;
    dib.width = image.width();
    dib.height = image.height();
    dib.bitsPerPixel = 24;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dib.pixels.push_back(image.pixel(x, y) & 0xFFFFFF);
    return dib;
}

DibImage Map8(const std::vector<uint8_t>& ids, int width, int height) {
    DibImage dib;
    dib.width = width;
    dib.height = height;
    dib.bitsPerPixel = 8;
    for (int i = 0; i < 256; ++i)  // a viewer shows each control in its own colour
        dib.colours.push_back(
            i == kNoControlPixel ? 0 : QColor::fromHsv((i * 137) % 360, 200, 230).rgb() & 0xFFFFFF);
    dib.indices = ids;
    return dib;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (out) return true;
    std::fprintf(stderr, "qmtpicturegen: cannot write %s\n", path.c_str());
    return false;
}

std::string FileName(const std::string& dir, int id, const char* set, const char* role) {
    return dir + "/" + std::to_string(id) + "-" + set + "-" + role + ".bmp";
}

// The layout has every control of its kinds' models, nothing else, and each visible.
bool CheckCoverage(const SetToDraw& s, const std::vector<uint8_t>& ids) {
    std::set<uint8_t> wanted, laid, visible(ids.begin(), ids.end());
    for (PresetKind kind : s.kinds)
        for (uint8_t id = 0; id < 88; ++id)
            if (KindHasControl(kind, id)) wanted.insert(id);
    for (const Control& c : s.layout.controls)
        laid.insert(c.id);
    bool ok = true;
    for (uint8_t id : wanted)
        if (!laid.count(id) || !visible.count(id)) {
            std::fprintf(stderr, "qmtpicturegen: %s: control %d is missing\n", s.name, id);
            ok = false;
        }
    for (uint8_t id : laid)
        if (!wanted.count(id)) {
            std::fprintf(stderr, "qmtpicturegen: %s: control %d is not one of its models'\n",
                         s.name, id);
            ok = false;
        }
    return ok;
}

bool DrawSet(const SetToDraw& s, const std::string& dir, bool preview) {
    const Layout& l = s.layout;
    const QImage base = DrawBase(l);
    const std::vector<uint8_t> ids = DrawHitMap(l);
    if (!CheckCoverage(s, ids)) return false;
    const bool kvp = s.kvp;
    const QImage selected = Tinted(base, Tint::Blue);
    const QImage modifier = Tinted(base, Tint::Red);
    const QImage hover = Tinted(base, kvp ? Tint::Darker : Tint::Lighter);
    bool ok = WriteFile(FileName(dir, s.ids.base, s.name, "base"), WriteBmpFile(Picture24(base)));
    ok &= WriteFile(FileName(dir, s.ids.selected, s.name, "selected"),
                    WriteBmpFile(Picture24(selected)));
    ok &= WriteFile(FileName(dir, s.ids.modifier, s.name, "modifier"),
                    WriteBmpFile(Picture24(modifier)));
    ok &= WriteFile(FileName(dir, s.ids.hover, s.name, "hover"), WriteBmpFile(Picture24(hover)));
    ok &= WriteFile(FileName(dir, s.ids.hitMap, s.name, "hitmap"),
                    WriteBmpFile(Map8(ids, l.width, l.height)));
    std::vector<uint8_t> mask = ids;
    if (s.ids.maskSource != s.ids.hitMap) {
        mask = Dilate(ids, l.width, l.height, kKvpMaskGrowth);
        ok &= WriteFile(FileName(dir, s.ids.maskSource, s.name, "masksource"),
                        WriteBmpFile(Map8(mask, l.width, l.height)));
    }
    if (preview) {
        const std::string stem = dir + "/preview-" + s.name;
        base.save(QString::fromStdString(stem + "-base.png"));
        selected.save(QString::fromStdString(stem + "-selected.png"));
        modifier.save(QString::fromStdString(stem + "-modifier.png"));
        hover.save(QString::fromStdString(stem + "-hover.png"));
        HitMapPreview(mask, l.width, l.height).save(QString::fromStdString(stem + "-mask.png"));
    }
    return ok;
}

}  // namespace
}  // namespace qmt::picturegen

int main(int argc, char** argv) {
    using namespace qmt;
    using namespace qmt::picturegen;
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--preview")) {
        std::fprintf(stderr, "usage: qmtpicturegen OUTDIR [--preview]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string dir = argv[1];
    const bool preview = argc == 3;
    const SetToDraw sets[] = {
        {"kvp", KvpLayout(), kKvpPictures, {PresetKind::Kvp}, true},
        {"kap", ArdoLayout(), kKapPictures, {PresetKind::Kap}, false},
        {"ardoraw", ArdoRawLayout(), kArdoRawPictures, {PresetKind::Krp, PresetKind::Kqp}, false},
    };
    bool ok = true;
    for (const SetToDraw& s : sets)
        ok &= DrawSet(s, dir, preview);
    return ok ? 0 : 1;
}
