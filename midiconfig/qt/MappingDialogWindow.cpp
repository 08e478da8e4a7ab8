#include "midiconfig/qt/MappingDialogWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <memory>

#include "midiconfig/qt/DeviceConfigControlView.h"
#include "midiconfig/qt/FileDialogs.h"
#include "midiconfig/qt/PresetEditorWindow.h"
#include "midiconfig/qt/PresetNameDialogView.h"
#include "midiconfig/qt/WindowPlacement.h"

namespace qmt {

namespace {

constexpr int kFileNameRole = Qt::UserRole;
constexpr int kNameColumnWidth = 136;  // pixels

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// The list sorts by name ignoring case, as the system's list view does.
class PresetItem final : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

}  // namespace

QString PresetListView::fileNameOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kFileNameRole).toString() : QString();
}

void PresetListView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse) {
        QTreeWidgetItem* item = itemAt(event->pos());
        setCurrentItem(item);
        emit menuRequested(item, event->globalPos());
    } else {
        emit menuRequested(currentItem(), QCursor::pos());
    }
}

MappingDialogWindow::MappingDialogWindow(MappingDialog& dialog, EditorRunner runEditor,
                                         QWidget* owner)
    : ProgramWindowAbs(owner),
      dialog_(dialog),
      runEditor_(std::move(runEditor)),
      units_(DialogUnits::dialogFont()) {
    setFont(DialogUnits::dialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle("QMT MIDI Configuration");
    setWindowIcon(QIcon::fromTheme("qmtmidiconfig"));
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
    buildDevices(content);
    buildPresets(content);
}

MappingDialogWindow::~MappingDialogWindow() {
    for (auto& [row, view] : rows_)
        delete view;
}

void MappingDialogWindow::buildMenus() {
    menuBar_ = new QMenuBar(this);
    QMenu* file = menuBar_->addMenu("&File");
    connect(file->addAction("&New mapping"), &QAction::triggered, this,
            [this] { dialog_.newMapping(); });
    connect(file->addAction("&Load mapping"), &QAction::triggered, this,
            [this] { dialog_.loadMapping(); });
    connect(file->addAction("&Save mapping"), &QAction::triggered, this,
            [this] { dialog_.saveMapping(); });
    connect(file->addAction("Save mapping &as"), &QAction::triggered, this,
            [this] { dialog_.saveMappingAs(); });
    file->addSeparator();
    connect(file->addAction("E&xit"), &QAction::triggered, this, [this] { dialog_.exit(); });

    // "Help" sits at the right end of the menu bar.
    auto* right = new QMenuBar(menuBar_);
    QMenu* help = right->addMenu("&Help");
    connect(help->addAction("&About"), &QAction::triggered, this, [this] { dialog_.about(); });
    connect(help->addAction("&Index"), &QAction::triggered, this, [this] { dialog_.help(); });
    menuBar_->setCornerWidget(right, Qt::TopRightCorner);
}

void MappingDialogWindow::buildDevices(QWidget* content) {
    auto* devices = new QGroupBox("Devices", content);
    devices->setGeometry(units_.rect(8, 3, 280, 195));
    panel_ = new QWidget(content);
    panel_->setObjectName("DevicePanel");
    panel_->setGeometry(units_.rect(12, 13, 273, 182));
    panel_->setAutoFillBackground(true);
    panel_->setBackgroundRole(QPalette::Button);
    panel_->installEventFilter(this);
    // The scroll bar lies along the panel's right edge over its full height.
    scrollBar_ = new QScrollBar(Qt::Vertical, panel_);
    const int barWidth = units_.x(12);
    scrollBar_->setGeometry(panel_->width() - barWidth, 0, barWidth, panel_->height());
    scrollBar_->setSingleStep(RowScroller::kLineStep);
    connect(scrollBar_, &QScrollBar::valueChanged, this,
            [this](int value) { dialog_.scroll(RowScroller::Action::ThumbTrack, value); });
}

void MappingDialogWindow::buildPresets(QWidget* content) {
    auto* presets = new QGroupBox("Presets", content);
    presets->setGeometry(units_.rect(293, 3, 154, 195));
    list_ = new PresetListView(content);
    list_->setGeometry(units_.rect(300, 13, 141, 165));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels({"Name", "Type"});
    list_->setColumnWidth(0, kNameColumnWidth);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->setSortingEnabled(true);
    list_->sortByColumn(0, Qt::AscendingOrder);
    connect(list_, &PresetListView::menuRequested, this,
            [this](QTreeWidgetItem* item, const QPoint& at) {
                std::unique_ptr<QMenu> menu(presetMenu(item));
                menu->exec(at);
            });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        dialog_.editPreset(PresetListView::fileNameOf(item).toStdString());
    });

    new_ = new QPushButton("New", content);
    new_->setGeometry(units_.rect(407, 181, 34, 15));
    new_->setAutoDefault(false);
    connect(new_, &QPushButton::clicked, this, [this] {
        QMenu menu(this);
        addNewPresetActions(&menu, "&KV5 && KV10 preset");
        menu.exec(QCursor::pos());
    });
}

void MappingDialogWindow::addNewPresetActions(QMenu* menu, const char* kvpText) {
    connect(menu->addAction(kvpText), &QAction::triggered, this,
            [this] { dialog_.newPreset(PresetKind::Kvp); });
    connect(menu->addAction("&Ardo preset"), &QAction::triggered, this,
            [this] { dialog_.newPreset(PresetKind::Kap); });
    connect(menu->addAction("&Ardo Raw preset"), &QAction::triggered, this,
            [this] { dialog_.newPreset(PresetKind::Kqp); });
}

QMenu* MappingDialogWindow::presetMenu(QTreeWidgetItem* item) {
    auto* menu = new QMenu(this);
    const std::string fileName = PresetListView::fileNameOf(item).toStdString();
    const auto add = [&](const char* text, void (MappingDialog::*command)(const std::string&)) {
        QAction* action = menu->addAction(text);
        action->setEnabled(item != nullptr);
        connect(action, &QAction::triggered, this,
                [this, command, fileName] { (dialog_.*command)(fileName); });
    };
    add("&Edit...", &MappingDialog::editPreset);
    add("&Duplicate", &MappingDialog::duplicatePreset);
    add("&Rename", &MappingDialog::renamePreset);
    add("D&elete", &MappingDialog::deletePreset);
    menu->addSeparator();
    addNewPresetActions(menu->addMenu("&New..."), "&KV5  && KV10 preset");
    return menu;
}

void MappingDialogWindow::start() {
    dialog_.initialize(*this, units_.y(DeviceConfigControlView::kHeightUnits), panel_->height());
    centreOnScreen();
}

void MappingDialogWindow::centreOnScreen() {
    CentreOnPrimaryScreen(*this);
}

void MappingDialogWindow::setTitle(const std::string& title) {
    setWindowTitle(ToQt(title));
}

void MappingDialogWindow::rowAdded(DeviceConfigControl& row) {
    auto* view = new DeviceConfigControlView(
        row, units_, [this](DeviceConfigControl* r) { dialog_.removeDevice(r); }, panel_);
    rows_[&row] = view;
    view->show();
    scrollBar_->raise();
}

void MappingDialogWindow::rowRemoved(DeviceConfigControl& row) {
    const auto it = rows_.find(&row);
    if (it == rows_.end()) return;
    delete it->second;
    rows_.erase(it);
}

DeviceConfigControlView* MappingDialogWindow::rowView(const DeviceConfigControl& row) const {
    const auto it = rows_.find(&row);
    return it == rows_.end() ? nullptr : it->second;
}

void MappingDialogWindow::layoutRows() {
    const RowScroller& scroller = dialog_.scroller();
    for (size_t i = 0; i < dialog_.rowCount(); ++i)
        if (DeviceConfigControlView* view = rowView(dialog_.row(i)))
            view->move(0, scroller.rowTop(i));
    const QSignalBlocker block(scrollBar_);
    scrollBar_->setEnabled(scroller.enabled());
    scrollBar_->setRange(0, scroller.enabled() ? scroller.total() - scroller.page() : 0);
    scrollBar_->setPageStep(scroller.page());
    scrollBar_->setValue(scroller.position());
}

void MappingDialogWindow::presetListChanged() {
    const QString current = PresetListView::fileNameOf(list_->currentItem());
    list_->clear();
    for (const PresetInfoShort& preset : dialog_.presets()) {
        auto* item = new PresetItem({ToQt(preset.displayName), PresetTypeText(preset.kind)});
        item->setData(0, kFileNameRole, ToQt(preset.fileName));
        list_->addTopLevelItem(item);
        if (item->data(0, kFileNameRole).toString() == current) list_->setCurrentItem(item);
    }
}

MappingDialog::FileDialogResult MappingDialogWindow::runFileDialog(
    const MappingDialog::FileDialogRequest& request) {
    return RunFileDialog(this, request);
}

bool MappingDialogWindow::runNameDialog(PresetNameDialog& dialog) {
    PresetNameDialogView view(dialog, this);
    return view.exec() == QDialog::Accepted;
}

void MappingDialogWindow::runEditor(const std::string* path, PresetKind kind) {
    if (runEditor_) runEditor_(this, path, kind);
}

void MappingDialogWindow::openHelp(const std::string& document) {
    OpenHelpDocument(this, ToQt(document));
}

void MappingDialogWindow::deviceEventsPending() {
    // Any thread: the events are handled on this window's thread, and dropped with it.
    QMetaObject::invokeMethod(
        this, [this] { dialog_.drainDeviceEvents(); }, Qt::QueuedConnection);
}

void MappingDialogWindow::endDialog() {
    endProgramWindow();
}

// The mouse wheel over the device panel scrolls its rows.
bool MappingDialogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_ && event->type() == QEvent::Wheel && scrollBar_->isEnabled()) {
        QCoreApplication::sendEvent(scrollBar_, event);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace qmt
