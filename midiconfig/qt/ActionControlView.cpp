#include "midiconfig/qt/ActionControlView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>

#include "midiconfig/ExtendedMessage.h"
#include "midiconfig/ThresholdCurve.h"

namespace qmt {

namespace {

// The right half is the left one moved this far.
constexpr int kHalfOffset = 118;
// Closed combo boxes and labels, in dialog units.
constexpr int kComboHeight = 14;
constexpr int kLabelHeight = 8;
// Drop-down lists show about ten entries.
constexpr int kVisibleEntries = 10;
// The slider's keyboard steps.
constexpr int kTrackbarPage = 32;

// Properties that tell the focus filter which field a widget is.
constexpr const char* kHalfProperty = "qmtHalf";
constexpr const char* kFieldProperty = "qmtField";
constexpr int kTopHalf = -1;

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

void SetIndex(QComboBox* combo, int index) {
    if (combo->currentIndex() != index) combo->setCurrentIndex(index);
}

void SetEditText(QComboBox* combo, const std::string& text) {
    const QString wanted = ToQt(text);
    if (combo->currentText() != wanted) combo->setEditText(wanted);
}

void SetLabel(QLabel* label, bool visible, const std::string& text) {
    if (label->text() != ToQt(text)) label->setText(ToQt(text));
    label->setVisible(visible);
}

}  // namespace

ActionControlView::ActionControlView(ActionControl& panel, const DialogUnits& units,
                                     QWidget* parent)
    : QWidget(parent), panel_(panel), units_(units) {
    resize(units_.x(kWidthUnits), units_.y(kHeightUnits));
    buildTop();
    buildHalf(0);
    buildHalf(1);
    panel_.setView(this);
}

QLabel* ActionControlView::addLabel(const QString& text, int x, int y, int width) {
    auto* label = new QLabel(text, this);
    label->setGeometry(units_.rect(x, y, width, kLabelHeight));
    return label;
}

QComboBox* ActionControlView::addCombo(const ListItems& items, int x, int y, int width,
                                       bool editable) {
    auto* combo = new QComboBox(this);
    combo->setEditable(editable);
    if (editable) combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(kVisibleEntries);
    for (const ListItem& item : items)
        combo->addItem(ToQt(item.text), item.data);
    combo->setGeometry(units_.rect(x, y, width, kComboHeight));
    return combo;
}

void ActionControlView::buildTop() {
    using Top = ActionControl::TopField;
    addLabel("Modifier", 6, 6, 80);
    for (PresetKind kind : {PresetKind::Kvp, PresetKind::Kap, PresetKind::Krp, PresetKind::Kqp}) {
        QComboBox* combo = addCombo(ModifierItems(kind), 5, 14, 86, false);
        connect(combo, &QComboBox::activated, this, [this](int i) { panel_.chooseModifier(i); });
        modifiers_[size_t(kind)] = combo;
    }
    releaseLabel_ = addLabel("Release timeout", 107, 6, 70);
    release_ = addCombo(ReleaseTimeoutItems(), 106, 14, 60, true);
    addLabel("Function", 6, 30, 80);
    function_ = addCombo({}, 5, 38, 86, false);
    intervalLabel_ = addLabel("Interval", 107, 30, 60);
    interval_ = addCombo(IntervalItems(), 106, 38, 60, true);
    inverted_ = new QCheckBox("Inverted", this);
    inverted_->setGeometry(units_.rect(106, 38, 45, 10));

    connect(function_, &QComboBox::activated, this, [this](int i) { panel_.chooseFunction(i); });
    connect(inverted_, &QCheckBox::clicked, this, [this](bool on) { panel_.setInverted(on); });
    for (auto [combo, field] :
         {std::pair{release_, Top::ReleaseTimeout}, {interval_, Top::Interval}}) {
        connect(combo, &QComboBox::activated, this,
                [this, field](int i) { panel_.chooseTop(field, i); });
        connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                [this, field](const QString& text) { panel_.typeTop(field, text.toStdString()); });
        watchFocus(combo->lineEdit(), kTopHalf, static_cast<int>(field));
    }
}

void ActionControlView::addListField(int half, HalfField field, const ListItems& items, int x,
                                     int y, int width) {
    QComboBox* combo = addCombo(items, x + half * kHalfOffset, y, width, false);
    connect(combo, &QComboBox::activated, this,
            [this, half, field](int i) { panel_.choose(half, field, i); });
    halves_[half].fields[size_t(field)] = combo;
}

void ActionControlView::addEditField(int half, HalfField field, const ListItems& items, int x,
                                     int y, int width) {
    QComboBox* combo = addCombo(items, x + half * kHalfOffset, y, width, true);
    connect(combo, &QComboBox::activated, this,
            [this, half, field](int i) { panel_.choose(half, field, i); });
    connect(
        combo->lineEdit(), &QLineEdit::textEdited, this,
        [this, half, field](const QString& text) { panel_.type(half, field, text.toStdString()); });
    watchFocus(combo->lineEdit(), half, static_cast<int>(field));
    halves_[half].fields[size_t(field)] = combo;
}

void ActionControlView::buildHalf(int half) {
    using F = HalfField;
    using L = HalfLabel;
    Half& h = halves_[half];
    const int dx = half * kHalfOffset;
    h.group = new QGroupBox(this);
    h.group->setGeometry(units_.rect(4 + dx, 57, 113, 153));
    h.group->lower();

    addLabel("Event", 8 + dx, 66, 60);
    addListField(half, F::Kind, MessageKindItems(), 8, 74, 103);
    h.labels[size_t(L::Channel)] = addLabel("Channel", 8 + dx, 89, 60);
    addListField(half, F::Channel, ChannelItems(), 8, 97, 103);

    h.labels[size_t(L::Row1Left)] = addLabel("", 8 + dx, 112, 53);
    h.labels[size_t(L::Row1Right)] = addLabel("", 62 + dx, 112, 49);
    h.labels[size_t(L::Row2Left)] = addLabel("", 8 + dx, 134, 53);
    h.labels[size_t(L::Row2Right)] = addLabel("", 62 + dx, 134, 49);
    h.labels[size_t(L::ValueRange)] = addLabel("Value range", 64 + dx, 158, 48);
    h.labels[size_t(L::Threshold)] = addLabel("Threshold", 9 + dx, 186, 52);

    // First parameter row: wide fields, or a narrow pair.
    addListField(half, F::Note, NoteItems(), 8, 120, 103);
    addListField(half, F::Program, NumberItems(0, 127), 8, 120, 103);
    addListField(half, F::ProgramStep, NumberItems(-127, 127), 8, 120, 103);
    addListField(half, F::Command, ChannelModeItems(), 8, 120, 103);
    addEditField(half, F::PitchValue, FourteenBitItems(), 8, 120, 103);
    addEditField(half, F::PitchStep, SignedFourteenBitItems(), 8, 120, 103);
    addListField(half, F::Controller, NumberItems(0, 127), 8, 120, 49);
    addListField(half, F::HiResController, NumberItems(0, 31), 8, 120, 49);
    addListField(half, F::Value, NumberItems(0, 127), 62, 120, 49);
    addListField(half, F::Step, NumberItems(-127, 127), 62, 120, 49);
    addEditField(half, F::HiResValue, FourteenBitItems(), 62, 120, 49);
    addEditField(half, F::HiResStep, SignedFourteenBitItems(), 62, 120, 49);

    auto* extended = new QPlainTextEdit(this);
    extended->setGeometry(units_.rect(8 + dx, 120, 103, 35));
    connect(extended, &QPlainTextEdit::textChanged, this, [this, half, extended] {
        if (applying_) return;
        QString text = extended->toPlainText();
        if (text.size() > int(kMaxExtendedBytes)) {
            // The edit takes at most 255 characters, as typed.
            text.truncate(int(kMaxExtendedBytes));
            const QSignalBlocker quiet(extended);
            extended->setPlainText(text);
            extended->moveCursor(QTextCursor::End);
        }
        panel_.type(half, F::Extended, text.toStdString());
    });
    watchFocus(extended, half, static_cast<int>(F::Extended));
    h.fields[size_t(F::Extended)] = extended;

    // Second row.
    addListField(half, F::Velocity, VelocityItems(), 8, 142, 103);
    addListField(half, F::Min, NumberItems(0, 127), 8, 142, 49);
    addListField(half, F::Max, NumberItems(0, 127), 62, 142, 49);
    addListField(half, F::ProgramMin, NumberItems(0, 127), 8, 142, 49);
    addListField(half, F::ProgramMax, NumberItems(0, 127), 62, 142, 49);
    addEditField(half, F::PitchMin, FourteenBitItems(), 8, 142, 49);
    addEditField(half, F::PitchMax, FourteenBitItems(), 62, 142, 49);
    addEditField(half, F::HiResMin, FourteenBitItems(), 8, 142, 49);
    addEditField(half, F::HiResMax, FourteenBitItems(), 62, 142, 49);

    addListField(half, F::Encoding, EncodingItems(), 62, 168, 50);
    addEditField(half, F::Percent, PercentItems(), 62, 184, 50);
    auto* trackbar = new QSlider(Qt::Horizontal, this);
    trackbar->setRange(0, kThresholdSliderMax);
    trackbar->setSingleStep(1);
    trackbar->setPageStep(kTrackbarPage);
    trackbar->setGeometry(units_.rect(7 + dx, 198, 105, 11));
    connect(trackbar, &QSlider::valueChanged, this, [this, half](int position) {
        if (!applying_) panel_.moveTrackbar(half, position);
    });
    h.fields[size_t(F::Trackbar)] = trackbar;
}

void ActionControlView::watchFocus(QWidget* widget, int half, int field) {
    widget->setProperty(kHalfProperty, half);
    widget->setProperty(kFieldProperty, field);
    widget->installEventFilter(this);
}

bool ActionControlView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        const int half = watched->property(kHalfProperty).toInt();
        const int field = watched->property(kFieldProperty).toInt();
        if (half == kTopHalf)
            panel_.leaveTop(static_cast<ActionControl::TopField>(field));
        else
            panel_.leave(half, static_cast<HalfField>(field));
    }
    return QWidget::eventFilter(watched, event);
}

void ActionControlView::showPanel(const PanelState& state, const ListItems& functionItems) {
    applying_ = true;
    showTop(state, functionItems);
    showHalf(0, state.halves[0]);
    showHalf(1, state.halves[1]);
    applying_ = false;
}

void ActionControlView::showTop(const PanelState& state, const ListItems& functionItems) {
    for (size_t kind = 0; kind < modifiers_.size(); ++kind) {
        const bool shown = kind == size_t(state.modifierList);
        if (shown) SetIndex(modifiers_[kind], state.modifierIndex);
        modifiers_[kind]->setVisible(shown);
    }
    releaseLabel_->setVisible(state.releaseVisible);
    release_->setVisible(state.releaseVisible);
    SetEditText(release_, state.releaseText);

    bool sameItems = function_->count() == int(functionItems.size());
    for (int i = 0; sameItems && i < function_->count(); ++i)
        sameItems = function_->itemText(i) == ToQt(functionItems[i].text);
    if (!sameItems) {
        function_->clear();
        for (const ListItem& item : functionItems)
            function_->addItem(ToQt(item.text), item.data);
    }
    SetIndex(function_, state.functionIndex);

    intervalLabel_->setVisible(state.intervalVisible);
    interval_->setVisible(state.intervalVisible);
    SetEditText(interval_, state.intervalText);
    inverted_->setVisible(state.invertedVisible);
    inverted_->setChecked(state.inverted);
}

void ActionControlView::showHalf(int half, const HalfState& state) {
    Half& h = halves_[half];
    if (h.group->title() != ToQt(state.title)) h.group->setTitle(ToQt(state.title));
    for (size_t f = 0; f < kHalfFieldCount; ++f) {
        const FieldState& field = state.fields[f];
        QWidget* widget = h.fields[f];
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->isEditable())
                SetEditText(combo, field.text);
            else
                SetIndex(combo, field.index);
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
            if (edit->toPlainText() != ToQt(field.text)) edit->setPlainText(ToQt(field.text));
        } else if (auto* slider = qobject_cast<QSlider*>(widget)) {
            if (slider->value() != field.index) slider->setValue(field.index);
        }
        widget->setVisible(field.visible);
    }
    for (size_t l = 0; l < kHalfLabelCount; ++l)
        SetLabel(h.labels[l], state.labels[l].visible, state.labels[l].text);
}

}  // namespace qmt
