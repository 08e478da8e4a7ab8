#include "midiconfig/qt/PresetEditorWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QUrl>
#include <QVBoxLayout>

#include "midiconfig/qt/ActionControlView.h"
#include "midiconfig/qt/ControllerPictureWidget.h"
#include "midiconfig/qt/FileDialogs.h"
#include "midiconfig/qt/WindowPlacement.h"

namespace qmt {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

PresetEditorWindow::PresetEditorWindow(PresetEditor& editor, QWidget* owner)
    : ProgramWindowAbs(owner), editor_(editor), units_(DialogUnits::dialogFont()) {
    setFont(DialogUnits::dialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle("QMT Preset Editor");
    // Group titles sit on the frame's top line, as the templates draw them.
    setStyleSheet(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    buildMenus();
    layout->setMenuBar(menuBar_);
    auto* content = new QWidget(this);
    content->setFixedSize(units_.x(kWidthUnits), units_.y(kHeightUnits));
    layout->addWidget(content);
    buildContent(content);
}

PresetEditorWindow::~PresetEditorWindow() = default;

void PresetEditorWindow::buildMenus() {
    menuBar_ = new QMenuBar(this);
    QMenu* file = menuBar_->addMenu("&File");
    QMenu* create = file->addMenu("&New...");
    connect(create->addAction("&KV5 && KV10 preset"), &QAction::triggered, this,
            [this] { editor_.newPreset(PresetKind::Kvp); });
    connect(create->addAction("&Ardo preset"), &QAction::triggered, this,
            [this] { editor_.newPreset(PresetKind::Kap); });
    connect(create->addAction("&Ardo Raw preset"), &QAction::triggered, this,
            [this] { editor_.newPreset(PresetKind::Kqp); });
    connect(file->addAction("&Load preset"), &QAction::triggered, this,
            [this] { editor_.loadPreset(); });
    connect(file->addAction("&Save preset"), &QAction::triggered, this, [this] { editor_.save(); });
    connect(file->addAction("Save preset &as"), &QAction::triggered, this,
            [this] { editor_.saveAs(); });
    file->addSeparator();
    connect(file->addAction("E&xit"), &QAction::triggered, this, [this] { editor_.exit(); });

    // "Help" sits at the right end of the menu bar.
    auto* right = new QMenuBar(menuBar_);
    QMenu* help = right->addMenu("&Help");
    connect(help->addAction("&About"), &QAction::triggered, this, [this] { editor_.about(); });
    connect(help->addAction("&Index"), &QAction::triggered, this, [this] { editor_.help(); });
    menuBar_->setCornerWidget(right, Qt::TopRightCorner);
}

void PresetEditorWindow::buildContent(QWidget* content) {
    auto* controls = new QGroupBox("Controls", content);
    controls->setGeometry(units_.rect(8, 7, 307, 312));
    picture_ = new ControllerPictureWidget(editor_.picture(), content);
    picture_->setObjectName("DeviceImage");
    picture_->setGeometry(units_.rect(15, 20, 293, 292));

    auto* assignment = new QGroupBox("Button Assignment", content);
    assignment->setGeometry(units_.rect(319, 7, 258, 312));

    // The tab control: the tabs above a frame in which the panel sits at (4, 24).
    auto* tabControl = new QWidget(content);
    tabControl->setGeometry(units_.rect(327, 19, 245, 233));
    tabs_ = new QTabBar(tabControl);
    tabs_->setExpanding(false);
    tabs_->setUsesScrollButtons(true);
    tabs_->setDrawBase(false);
    // Clicking a tab takes the focus, so a field being typed into is finished first.
    tabs_->setFocusPolicy(Qt::StrongFocus);
    tabs_->addTab("Tab");  // measures a row of tabs
    tabs_->setGeometry(0, 0, tabControl->width(), tabs_->sizeHint().height());
    tabs_->removeTab(0);
    auto* frame = new QFrame(tabControl);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setGeometry(0, tabs_->height() - 1, tabControl->width(),
                       tabControl->height() - tabs_->height() + 1);
    panel_ = new ActionControlView(editor_.panel(), units_, tabControl);
    panel_->move(units_.x(4), units_.y(24));
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (showingTabs_ || index < 0) return;
        editor_.tabChanging();
        editor_.tabChanged(index);
    });

    add_ = new QPushButton("Add", content);
    add_->setGeometry(units_.rect(501, 254, 34, 15));
    connect(add_, &QPushButton::clicked, this, [this] { editor_.add(); });
    remove_ = new QPushButton("Remove", content);
    remove_->setGeometry(units_.rect(537, 254, 34, 15));
    connect(remove_, &QPushButton::clicked, this, [this] { editor_.remove(); });
    for (QPushButton* button : {add_, remove_})
        button->setAutoDefault(false);

    information_ = new QLabel(content);
    information_->setObjectName("Button information");
    information_->setGeometry(units_.rect(328, 271, 241, 46));
    information_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    information_->setTextFormat(Qt::PlainText);
}

void PresetEditorWindow::setTitle(const std::string& title) {
    setWindowTitle(ToQt(title));
}

void PresetEditorWindow::setTabs(const std::vector<std::string>& labels, int current) {
    showingTabs_ = true;
    while (tabs_->count() > int(labels.size()))
        tabs_->removeTab(tabs_->count() - 1);
    for (size_t i = 0; i < labels.size(); ++i) {
        if (int(i) < tabs_->count())
            tabs_->setTabText(int(i), ToQt(labels[i]));
        else
            tabs_->addTab(ToQt(labels[i]));
    }
    if (current >= 0) tabs_->setCurrentIndex(current);
    showingTabs_ = false;
}

void PresetEditorWindow::setInformation(const std::string& text) {
    information_->setText(ToQt(text));
}

void PresetEditorWindow::repaintPicture() {
    picture_->update();
}

PresetEditor::FileDialogResult PresetEditorWindow::runFileDialog(
    const PresetEditor::FileDialogRequest& request) {
    return RunFileDialog(this, request);
}

QString FindHelpDocument(const QString& document) {
    const QString program = QCoreApplication::applicationDirPath();
    for (const QString& folder :
         {QDir::currentPath(), program, program + "/../share/qmt", program + "/../share/doc/qmt"}) {
        const QFileInfo candidate(QDir(folder), document);
        if (candidate.isFile()) return candidate.absoluteFilePath();
    }
    return {};
}

void OpenHelpDocument(QWidget* owner, const QString& document) {
    const QString path = FindHelpDocument(document);
    // F1 that does nothing looks like a broken program: say what is missing instead.
    if (path.isEmpty()) {
        QMessageBox::warning(owner, QCoreApplication::applicationName(),
                             QString("The user guide %1 was not found beside the program or in "
                                     "its share folder.")
                                 .arg(document));
    } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        QMessageBox::warning(owner, QCoreApplication::applicationName(),
                             QString("No program is set up to open %1.").arg(path));
    }
}

void PresetEditorWindow::openHelp(const std::string& document) {
    OpenHelpDocument(this, ToQt(document));
}

void PresetEditorWindow::endDialog() {
    endProgramWindow();
}

void PresetEditorWindow::postLiveSelection(uint8_t control) {
    // Runs on the poller's thread; the selection belongs to this one. With the window as
    // context, a selection still queued when the window goes is dropped.
    QMetaObject::invokeMethod(
        this, [this, control] { editor_.selectControl(control); }, Qt::QueuedConnection);
}

void PresetEditorWindow::centreOnScreen() {
    CentreOnPrimaryScreen(*this);
}

}  // namespace qmt
