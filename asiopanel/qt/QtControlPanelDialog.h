#pragma once
// The control panel's window (dialog 102): the list of channel groups with its drop-downs,
// the buffer-length text and trackbar, the logo and the OK, Cancel and Apply buttons, laid out
// in dialog units. It only draws what the ControlPanel logic tells it and forwards what the
// user does; the logic is attached once the window exists.
//
// Threads: the window's own; postDeviceEvents() and bringToFront() may come from any thread
// and are queued to it.

#include <QDialog>
#include <QPixmap>
#include <array>

#include "asio/AsioBrandIf.h"
#include "asiopanel/ControlPanel.h"
#include "asiopanel/ControlPanelViewIf.h"
#include "platform/qt/QtMessageBox.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTreeWidget;

namespace qmt {

class QtPanelRowDelegate;

class QtControlPanelDialog final : public QDialog, public ControlPanelViewIf {
  public:
    explicit QtControlPanelDialog(const AsioBrandIf& brand, QWidget* parent = nullptr);
    ~QtControlPanelDialog() override;

    // The boxes the logic shows, centred on this window.
    MessageBoxIf& messages() { return messages_; }
    // Hands the window to the logic (initialisation of the dialog).
    void attach(ControlPanel& panel);
    bool artworkLoaded() const;

    // For tests: the controls by their dialog ids.
    QTreeWidget* list() const { return list_; }
    QComboBox* dropDown(int id) const;
    QSlider* trackbar() const { return trackbar_; }
    QLabel* bufferLengthText() const { return bufferText_; }
    QPushButton* applyButton() const { return apply_; }

    // ControlPanelViewIf.
    void setColumns(const std::vector<PanelColumnInfo>& columns) override;
    void insertRow(size_t position, const std::vector<std::string>& texts) override;
    void removeRow(size_t position) override;
    void setRowTexts(size_t position, const std::vector<std::string>& texts) override;
    void selectRow(int position) override;
    void showDropDowns(PanelDropDowns pair, size_t row, int leftItem, int rightItem) override;
    void hideDropDowns() override;
    void setApplyEnabled(bool enabled) override;
    void setBufferLengthText(const std::string& text) override;
    void setTrackbar(uint32_t maximum, uint32_t position, uint32_t tickSpacing) override;
    void postDeviceEvents() override;
    void bringToFront() override;
    void endDialog(int result) override;

    // Escape, the close button and Cancel: the logic cancels.
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void loadArtwork();
    void buildList();
    void buildDropDowns();
    void buildControls();
    void listSelectionChanged();
    void listClicked(QPoint position);
    int columnOf(PanelColumn column) const;

    const AsioBrandIf& brand_;
    ControlPanel* panel_ = nullptr;
    QtMessageBox messages_{this};
    QPixmap logo_;
    QPixmap removalMark_;
    QTreeWidget* list_ = nullptr;
    QtPanelRowDelegate* delegate_ = nullptr;
    // Input left and right (1014, 1015), output left and right (1016, 1017).
    std::array<QComboBox*, 4> dropDowns_{};
    QLabel* bufferText_ = nullptr;
    QSlider* trackbar_ = nullptr;
    QLabel* logoControl_ = nullptr;
    QPushButton* apply_ = nullptr;
    std::vector<PanelColumnInfo> columns_;
};

}  // namespace qmt
