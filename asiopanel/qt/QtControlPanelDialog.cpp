#include "asiopanel/qt/QtControlPanelDialog.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTreeWidget>

#include "asiopanel/qt/QtPanelRowDelegate.h"
#include "platform/qt/DialogUnits.h"

// The artwork is compiled into this library; a static library's resources are registered by
// hand (outside any namespace, as Qt's macro wants).
static void RegisterPanelResources() {
    Q_INIT_RESOURCE(qmtasioconfig);
}

namespace qmt {

namespace {

constexpr int kDropDownVisibleItems = 12;

QString text(const std::string& s) {
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

QString artworkPath(const AsioBrandIf& brand, const char* suffix) {
    return QStringLiteral(":/asiopanel/") + QString::fromLatin1(brand.getMakerName()).toLower() +
           QString::fromLatin1(suffix);
}

QPixmap renderArtwork(const QString& path, QSize size) {
    const QIcon icon(path);
    return icon.isNull() ? QPixmap() : icon.pixmap(size);
}

}  // namespace

QtControlPanelDialog::QtControlPanelDialog(const AsioBrandIf& brand, QWidget* parent)
    : QDialog(parent), brand_(brand) {
    RegisterPanelResources();
    setFont(DialogUnits::dialogFont());
    setWindowTitle(QString::fromLatin1(brand.getDriverName()) + QStringLiteral(" Configuration"));
    setWindowIcon(QIcon(artworkPath(brand, "asioconfig.svg")));
    const DialogUnits du(font());
    setFixedSize(du.x(328), du.y(236));
    loadArtwork();
    buildList();
    buildDropDowns();
    buildControls();
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

QtControlPanelDialog::~QtControlPanelDialog() = default;

void QtControlPanelDialog::loadArtwork() {
    const DialogUnits du(font());
    logo_ = renderArtwork(artworkPath(brand_, "-logo.svg"), QSize(du.x(30), du.y(15)));
    removalMark_ = renderArtwork(QStringLiteral(":/asiopanel/removal-mark.svg"), QSize(12, 12));
}

bool QtControlPanelDialog::artworkLoaded() const {
    return !logo_.isNull() && !removalMark_.isNull() && !windowIcon().isNull();
}

void QtControlPanelDialog::buildList() {
    const DialogUnits du(font());
    list_ = new QTreeWidget(this);
    list_->setGeometry(du.rect(7, 5, 314, 164));
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSortingEnabled(false);
    list_->setAllColumnsShowFocus(false);
    list_->header()->setSectionsClickable(false);
    list_->header()->setSectionsMovable(false);
    list_->header()->setStretchLastSection(false);
    // Scrolling moves the cells away from under the drop-downs: they hide first.
    connect(list_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { hideDropDowns(); });
    connect(list_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { hideDropDowns(); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this,
            &QtControlPanelDialog::listSelectionChanged);
    list_->viewport()->installEventFilter(this);
}

void QtControlPanelDialog::buildDropDowns() {
    const DialogUnits du(font());
    const int left[4] = {37, 87, 37, 87};
    for (int i = 0; i < 4; ++i) {
        const bool input = i < 2;
        auto* box = new QComboBox(list_->viewport());
        for (const std::string& item : PanelDropDownItems(input))
            box->addItem(text(item));
        box->setMaxVisibleItems(kDropDownVisibleItems);
        // Styles that pop a drop-down up over its own item ignore the item count otherwise.
        box->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
        box->move(du.x(left[i]), du.y(214));
        box->hide();
        const PanelSide side = i % 2 == 0 ? PanelSide::Left : PanelSide::Right;
        connect(box, &QComboBox::currentIndexChanged, this, [this, side](int item) {
            if (panel_ != nullptr) panel_->chooseDropDownItem(side, item);
        });
        dropDowns_[static_cast<size_t>(i)] = box;
    }
    const int rowHeight = dropDowns_[0]->sizeHint().height();
    delegate_ = new QtPanelRowDelegate(
        rowHeight, brand_.canRemoveAbsentDevices() ? removalMark_ : QPixmap(), list_);
    list_->setItemDelegate(delegate_);
}

void QtControlPanelDialog::buildControls() {
    const DialogUnits du(font());
    bufferText_ = new QLabel(QStringLiteral("ASIO Buffer length = 0.0 ms"), this);
    bufferText_->setGeometry(du.rect(7, 175, 302, 8));
    bufferText_->setAlignment(Qt::AlignCenter);

    trackbar_ = new QSlider(Qt::Horizontal, this);
    trackbar_->setGeometry(du.rect(7, 184, 313, 26));
    trackbar_->setTickPosition(QSlider::TicksBothSides);
    trackbar_->setSingleStep(1);
    trackbar_->setPageStep(1);
    connect(trackbar_, &QSlider::valueChanged, this, [this](int position) {
        if (panel_ != nullptr && position >= 0)
            panel_->moveTrackbar(static_cast<uint32_t>(position));
    });

    logoControl_ = new QLabel(QStringLiteral("Logo"), this);
    logoControl_->setGeometry(du.rect(8, 214, 30, 15));
    logoControl_->setAlignment(Qt::AlignCenter);
    if (!logo_.isNull()) logoControl_->setPixmap(logo_);
    logoControl_->setCursor(Qt::PointingHandCursor);
    logoControl_->installEventFilter(this);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.rect(165, 214, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (panel_ != nullptr) panel_->ok();
    });
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(du.rect(218, 214, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QtControlPanelDialog::reject);
    apply_ = new QPushButton(QStringLiteral("Apply"), this);
    apply_->setGeometry(du.rect(271, 214, 50, 14));
    apply_->setEnabled(false);
    connect(apply_, &QPushButton::clicked, this, [this] {
        if (panel_ != nullptr) panel_->apply();
    });
}

void QtControlPanelDialog::attach(ControlPanel& panel) {
    panel_ = &panel;
    panel.initialize(*this, artworkLoaded());
}

QComboBox* QtControlPanelDialog::dropDown(int id) const {
    if (id < 1014 || id > 1017) return nullptr;
    return dropDowns_[static_cast<size_t>(id - 1014)];
}

int QtControlPanelDialog::columnOf(PanelColumn column) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].column == column) return static_cast<int>(i);
    }
    return -1;
}

void QtControlPanelDialog::setColumns(const std::vector<PanelColumnInfo>& columns) {
    columns_ = columns;
    QStringList titles;
    for (const PanelColumnInfo& column : columns)
        titles << QString::fromLatin1(column.title);
    list_->setColumnCount(static_cast<int>(columns.size()));
    list_->setHeaderLabels(titles);
    for (size_t i = 0; i < columns.size(); ++i)
        list_->setColumnWidth(static_cast<int>(i), columns[i].width);
}

void QtControlPanelDialog::insertRow(size_t position, const std::vector<std::string>& texts) {
    auto* item = new QTreeWidgetItem();
    const QSignalBlocker block(list_);
    list_->insertTopLevelItem(static_cast<int>(position), item);
    setRowTexts(position, texts);
}

void QtControlPanelDialog::removeRow(size_t position) {
    const QSignalBlocker block(list_);
    delete list_->takeTopLevelItem(static_cast<int>(position));
}

void QtControlPanelDialog::setRowTexts(size_t position, const std::vector<std::string>& texts) {
    QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(position));
    if (item == nullptr) return;
    for (size_t c = 0; c < texts.size(); ++c)
        item->setText(static_cast<int>(c), text(texts[c]));
}

void QtControlPanelDialog::selectRow(int position) {
    const QSignalBlocker block(list_);
    list_->clearSelection();
    if (QTreeWidgetItem* item = list_->topLevelItem(position)) {
        item->setSelected(true);
        list_->setCurrentItem(item);
    }
}

void QtControlPanelDialog::listSelectionChanged() {
    if (panel_ == nullptr) return;
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    panel_->selectRow(selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.first()));
}

void QtControlPanelDialog::showDropDowns(PanelDropDowns pair, size_t row, int leftItem,
                                         int rightItem) {
    const size_t first = pair == PanelDropDowns::Input ? 0 : 2;
    QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(row));
    if (item == nullptr) return;
    const int columns[2] = {columnOf(PanelColumn::Left), columnOf(PanelColumn::Right)};
    const int items[2] = {leftItem, rightItem};
    for (size_t i = 0; i < 4; ++i) {
        if (i != first && i != first + 1) dropDowns_[i]->hide();
    }
    for (size_t side = 0; side < 2; ++side) {
        QComboBox* box = dropDowns_[first + side];
        const QSignalBlocker block(box);
        if (items[side] >= 0) box->setCurrentIndex(items[side]);
        const QRect cell = list_->visualItemRect(item);
        const int x = list_->header()->sectionViewportPosition(columns[side]);
        box->setGeometry(x, cell.top(), list_->columnWidth(columns[side]), cell.height());
        box->show();
    }
}

void QtControlPanelDialog::hideDropDowns() {
    for (QComboBox* box : dropDowns_)
        box->hide();
}

void QtControlPanelDialog::setApplyEnabled(bool enabled) {
    apply_->setEnabled(enabled);
}

void QtControlPanelDialog::setBufferLengthText(const std::string& value) {
    bufferText_->setText(text(value));
}

void QtControlPanelDialog::setTrackbar(uint32_t maximum, uint32_t position, uint32_t tickSpacing) {
    const QSignalBlocker block(trackbar_);
    trackbar_->setRange(0, static_cast<int>(maximum));
    trackbar_->setValue(static_cast<int>(position));
    trackbar_->setTickInterval(static_cast<int>(tickSpacing));
}

void QtControlPanelDialog::postDeviceEvents() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (panel_ != nullptr) panel_->processDeviceEvents();
        },
        Qt::QueuedConnection);
}

void QtControlPanelDialog::bringToFront() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isMinimized()) showNormal();
            raise();
            activateWindow();
        },
        Qt::QueuedConnection);
}

void QtControlPanelDialog::endDialog(int result) {
    done(result);
}

void QtControlPanelDialog::reject() {
    if (panel_ != nullptr)
        panel_->cancel();
    else
        QDialog::reject();
}

bool QtControlPanelDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && panel_ != nullptr) {
        if (watched == logoControl_) {
            panel_->clickLogo();
            return true;
        }
        if (watched == list_->viewport())
            listClicked(static_cast<QMouseEvent*>(event)->position().toPoint());
    }
    return QDialog::eventFilter(watched, event);
}

void QtControlPanelDialog::listClicked(QPoint position) {
    QTreeWidgetItem* item = list_->itemAt(position);
    const int deviceColumn = columnOf(PanelColumn::Device);
    // The mark is drawn on the row that names the device only.
    if (item == nullptr || !brand_.canRemoveAbsentDevices() || item->text(deviceColumn).isEmpty())
        return;
    QRect cell = list_->visualItemRect(item);
    cell.setLeft(list_->header()->sectionViewportPosition(deviceColumn));
    cell.setWidth(list_->columnWidth(deviceColumn));
    if (delegate_->removalMarkRect(cell).contains(position))
        panel_->clickRemovalMark(static_cast<size_t>(list_->indexOfTopLevelItem(item)));
}

}  // namespace qmt
