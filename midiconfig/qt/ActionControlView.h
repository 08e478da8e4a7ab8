#pragma once
// The assignment panel drawn with Qt Widgets, laid out as its dialog template: the top area
// (modifier, release timeout, function, interval, "Inverted") and two message halves side
// by side. It shows ActionControl's state and reports every selection, keystroke, focus
// loss and slider move to it; it decides nothing itself.

#include <QWidget>
#include <array>

#include "midiconfig/ActionControl.h"
#include "platform/qt/DialogUnits.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QSlider;

namespace qmt {

class ActionControlView final : public QWidget, public ActionControl::ViewIf {
    Q_OBJECT

  public:
    // The template's size in dialog units.
    static constexpr int kWidthUnits = 238;
    static constexpr int kHeightUnits = 215;

    ActionControlView(ActionControl& panel, const DialogUnits& units, QWidget* parent = nullptr);

    void showPanel(const PanelState& state, const ListItems& functionItems) override;

    // The widgets, for tests and screenshots.
    QWidget* field(int half, HalfField field) const { return halves_[half].fields[size_t(field)]; }
    QLabel* label(int half, HalfLabel label) const { return halves_[half].labels[size_t(label)]; }
    QGroupBox* group(int half) const { return halves_[half].group; }
    QComboBox* modifierCombo(PresetKind kind) const { return modifiers_[size_t(kind)]; }
    QComboBox* functionCombo() const { return function_; }
    QComboBox* intervalCombo() const { return interval_; }
    QComboBox* releaseCombo() const { return release_; }
    QCheckBox* invertedBox() const { return inverted_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Half {
        QGroupBox* group = nullptr;
        std::array<QWidget*, kHalfFieldCount> fields{};
        std::array<QLabel*, kHalfLabelCount> labels{};
    };

    void buildTop();
    void buildHalf(int half);
    QLabel* addLabel(const QString& text, int x, int y, int width);
    QComboBox* addCombo(const ListItems& items, int x, int y, int width, bool editable);
    void addListField(int half, HalfField field, const ListItems& items, int x, int y, int width);
    void addEditField(int half, HalfField field, const ListItems& items, int x, int y, int width);
    void watchFocus(QWidget* widget, int half, int field);
    void showHalf(int half, const HalfState& state);
    void showTop(const PanelState& state, const ListItems& functionItems);

    ActionControl& panel_;
    const DialogUnits& units_;
    bool applying_ = false;  // set while the view shows a state, so it reports nothing back

    std::array<QComboBox*, 4> modifiers_{};
    QLabel* releaseLabel_ = nullptr;
    QComboBox* release_ = nullptr;
    QComboBox* function_ = nullptr;
    QLabel* intervalLabel_ = nullptr;
    QComboBox* interval_ = nullptr;
    QCheckBox* inverted_ = nullptr;
    std::array<Half, 2> halves_;
};

}  // namespace qmt
