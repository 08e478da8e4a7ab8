#include "midiconfig/qt/DeviceConfigControlView.h"

#include <QComboBox>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>

namespace qmt {

namespace {

using Column = DeviceConfigControl::Column;

// The drop-down shows about five times the closed list's height.
constexpr int kVisibleItems = 4;
// The system's scroll-bar colour, where the gradient ends.
const QColor kScrollBarColour(200, 200, 200);

QLabel* MakeLabel(const QString& text, const QRect& geometry, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

}  // namespace

DeviceConfigControlView::DeviceConfigControlView(DeviceConfigControl& row, const DialogUnits& units,
                                                 std::function<void(DeviceConfigControl*)> remove,
                                                 QWidget* parent)
    : QWidget(parent), row_(row), units_(units), remove_(std::move(remove)) {
    setFixedSize(units_.x(kWidthUnits), units_.y(kHeightUnits));
    model_ = MakeLabel({}, units_.rect(10, 2, 57, 8), this);
    serial_ = MakeLabel({}, units_.rect(10, 10, 57, 8), this);
    connected_ = MakeLabel("(Connected)", units_.rect(10, 18, 57, 8), this);
    buildColumn(Column::Left, 69, 68, 70);
    buildColumn(Column::Right, 165, 164, 166);
    left_.presetLabel->setText(DeviceConfigControl::leftPresetLabel());
    row_.setView(this);
    refresh();
}

DeviceConfigControlView::~DeviceConfigControlView() {
    row_.setView(nullptr);
}

void DeviceConfigControlView::buildColumn(Column column, int presetLabelX, int comboX,
                                          int channelLabelX) {
    ColumnWidgets& w = widgets(column);
    w.presetLabel = MakeLabel({}, units_.rect(presetLabelX, 2, 86, 8), this);
    w.preset = new QComboBox(this);
    w.preset->setGeometry(units_.rect(comboX, 11, 86, 12));
    w.channelLabel = MakeLabel("Default MIDI channel", units_.rect(channelLabelX, 26, 86, 8), this);
    w.channel = new QComboBox(this);
    w.channel->setGeometry(units_.rect(comboX, 36, 86, 12));
    w.channel->addItem("Omni");
    for (int channel = 1; channel <= 16; ++channel)
        w.channel->addItem(QString::number(channel));
    for (QComboBox* combo : {w.preset, w.channel})
        combo->setMaxVisibleItems(kVisibleItems);
    connect(w.preset, &QComboBox::activated, this,
            [this, column](int index) { row_.selectPreset(row_.slotOf(column), index); });
    connect(w.channel, &QComboBox::activated, this,
            [this, column](int index) { row_.selectChannel(column, index); });
}

DeviceConfigControlView::ColumnWidgets& DeviceConfigControlView::widgets(Column column) {
    return column == Column::Left ? left_ : right_;
}

const DeviceConfigControlView::ColumnWidgets& DeviceConfigControlView::widgets(
    Column column) const {
    return column == Column::Left ? left_ : right_;
}

QComboBox* DeviceConfigControlView::presetCombo(Column column) const {
    return widgets(column).preset;
}

QComboBox* DeviceConfigControlView::channelCombo(Column column) const {
    return widgets(column).channel;
}

QLabel* DeviceConfigControlView::presetLabel(Column column) const {
    return widgets(column).presetLabel;
}

void DeviceConfigControlView::refresh() {
    model_->setText(row_.modelName());
    serial_->setText(QString::fromStdString(row_.serial()));
    connected_->setVisible(row_.connected());
    right_.presetLabel->setText(row_.rightPresetLabel());
    refreshColumn(Column::Left);
    refreshColumn(Column::Right);
}

void DeviceConfigControlView::refreshColumn(Column column) {
    ColumnWidgets& w = widgets(column);
    const int slot = row_.slotOf(column);
    const bool visible = slot >= 0;
    for (QWidget* widget :
         {static_cast<QWidget*>(w.presetLabel), static_cast<QWidget*>(w.preset),
          static_cast<QWidget*>(w.channelLabel), static_cast<QWidget*>(w.channel)})
        widget->setVisible(visible);
    if (!visible) return;
    const QSignalBlocker blockPreset(w.preset);
    const QSignalBlocker blockChannel(w.channel);
    w.preset->clear();
    for (const std::string& item : row_.presetItems(slot))
        w.preset->addItem(QString::fromStdString(item));
    w.preset->setCurrentIndex(row_.presetSelection(slot));
    w.channel->setCurrentIndex(row_.channelSelection(column));
}

void DeviceConfigControlView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, palette().color(QPalette::Base));
    gradient.setColorAt(1, kScrollBarColour);
    painter.fillRect(rect(), gradient);
}

void DeviceConfigControlView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    QMenu menu(this);
    QAction* remove = menu.addAction("&Remove device from this list");
    remove->setEnabled(row_.canRemove());
    if (menu.exec(event->globalPosition().toPoint()) != remove) return;
    DeviceConfigControl* row = &row_;
    QMetaObject::invokeMethod(
        parentWidget(), [call = remove_, row] { call(row); }, Qt::QueuedConnection);
}

}  // namespace qmt
