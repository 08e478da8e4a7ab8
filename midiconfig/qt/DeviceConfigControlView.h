#pragma once
// One device row drawn with Qt Widgets, laid out as its child template: model, serial number
// and "(Connected)" on the left, then the preset lists with their labels and the channel
// lists below them, over a vertical gradient. It shows DeviceConfigControl's state and
// reports the user's choices to it; the context menu's "Remove device" goes to `remove`,
// queued, because removing destroys this widget.

#include <QWidget>
#include <functional>

#include "midiconfig/DeviceConfigControl.h"
#include "platform/qt/DialogUnits.h"

class QComboBox;
class QLabel;

namespace qmt {

class DeviceConfigControlView final : public QWidget, public DeviceConfigControl::ViewIf {
    Q_OBJECT

  public:
    static constexpr int kWidthUnits = 259;
    static constexpr int kHeightUnits = 56;

    DeviceConfigControlView(DeviceConfigControl& row, const DialogUnits& units,
                            std::function<void(DeviceConfigControl*)> remove,
                            QWidget* parent = nullptr);
    ~DeviceConfigControlView() override;

    void refresh() override;

    DeviceConfigControl& row() const { return row_; }
    // The parts, for tests and screenshots.
    QLabel* modelLabel() const { return model_; }
    QLabel* serialLabel() const { return serial_; }
    QLabel* connectedLabel() const { return connected_; }
    QComboBox* presetCombo(DeviceConfigControl::Column column) const;
    QComboBox* channelCombo(DeviceConfigControl::Column column) const;
    QLabel* presetLabel(DeviceConfigControl::Column column) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    struct ColumnWidgets {
        QLabel* presetLabel = nullptr;
        QComboBox* preset = nullptr;
        QLabel* channelLabel = nullptr;
        QComboBox* channel = nullptr;
    };
    void buildColumn(DeviceConfigControl::Column column, int presetLabelX, int comboX,
                     int channelLabelX);
    void refreshColumn(DeviceConfigControl::Column column);
    ColumnWidgets& widgets(DeviceConfigControl::Column column);
    const ColumnWidgets& widgets(DeviceConfigControl::Column column) const;

    DeviceConfigControl& row_;
    const DialogUnits& units_;
    std::function<void(DeviceConfigControl*)> remove_;
    QLabel* model_ = nullptr;
    QLabel* serial_ = nullptr;
    QLabel* connected_ = nullptr;
    ColumnWidgets left_;
    ColumnWidgets right_;
};

}  // namespace qmt
