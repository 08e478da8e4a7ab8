// qmthelppdf: renders the configuration program's user guide (Markdown) to "help.pdf" at
// build time, with Qt's own text layout and PDF writer, so the guide needs no tool beyond
// the Qt the program is built with.
//
//   qmthelppdf GUIDE.md OUT.pdf

#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <cstdio>

namespace {

// Readable on screen and on paper: the desktop's sans-serif face at 10 points on A4.
constexpr int kBodyPoints = 10;
constexpr qreal kMarginMm = 20;

const char* kStyle =
    "h1 { font-size: 18pt; } h2 { font-size: 14pt; } h3 { font-size: 12pt; }"
    "table { border-collapse: collapse; } th, td { padding: 3px; }"
    "code, pre { font-family: monospace; }";

}  // namespace

int main(int argc, char** argv) {
    // Rendering needs fonts but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: qmthelppdf GUIDE.md OUT.pdf\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "qmthelppdf: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument guide;
    QFont body("Sans Serif", kBodyPoints);
    body.setStyleHint(QFont::SansSerif);
    guide.setDefaultFont(body);
    guide.setDefaultStyleSheet(kStyle);
    guide.setMarkdown(QString::fromUtf8(source.readAll()));

    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle("QMT MIDI Configuration - User Guide");
    pdf.setCreator("qmthelppdf");
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                  QPageLayout::Millimeter));
    guide.print(&pdf);
    if (!QFile::exists(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "qmthelppdf: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
