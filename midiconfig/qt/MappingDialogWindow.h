#pragma once
// The main window drawn with Qt Widgets, laid out as its dialog template: under "Devices"
// the panel of device rows with its scroll bar, under "Presets" the preset list with its
// "Type" column and the "New" button; the "File" and "Help" menus. It shows what
// MappingDialog tells it and forwards the user's input; it decides nothing itself.

#include <QTreeWidget>
#include <functional>
#include <map>

#include "midiconfig/MappingDialog.h"
#include "midiconfig/qt/ProgramWindowAbs.h"
#include "platform/qt/DialogUnits.h"

class QMenu;
class QMenuBar;
class QPushButton;
class QScrollBar;

namespace qmt {

class DeviceConfigControlView;

// The preset list: reports context-menu requests with the item they concern (the one under
// the mouse, or the current one for the keyboard's menu key) and where to open the menu.
class PresetListView final : public QTreeWidget {
    Q_OBJECT

  public:
    using QTreeWidget::QTreeWidget;
    static QString fileNameOf(const QTreeWidgetItem* item);

  signals:
    void menuRequested(QTreeWidgetItem* item, const QPoint& globalPosition);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

class MappingDialogWindow final : public ProgramWindowAbs, public MappingDialog::ViewIf {
    Q_OBJECT

  public:
    static constexpr int kWidthUnits = 453;
    static constexpr int kHeightUnits = 203;
    // Opens the preset editor modally over `owner`, on a file or on a new preset of a kind.
    using EditorRunner =
        std::function<void(QWidget* owner, const std::string* path, PresetKind kind)>;

    MappingDialogWindow(MappingDialog& dialog, EditorRunner runEditor, QWidget* owner = nullptr);
    ~MappingDialogWindow() override;

    // Lays the window out and lets the dialog fill it; then centred on the primary screen.
    void start();

    // MappingDialog::ViewIf
    void setTitle(const std::string& title) override;
    void rowAdded(DeviceConfigControl& row) override;
    void rowRemoved(DeviceConfigControl& row) override;
    void layoutRows() override;
    void presetListChanged() override;
    MappingDialog::FileDialogResult runFileDialog(
        const MappingDialog::FileDialogRequest& request) override;
    bool runNameDialog(PresetNameDialog& dialog) override;
    void runEditor(const std::string* path, PresetKind kind) override;
    void openHelp(const std::string& document) override;
    void deviceEventsPending() override;
    void endDialog() override;

    // The parts, for tests and screenshots.
    QWidget* devicePanel() const { return panel_; }
    QScrollBar* scrollBar() const { return scrollBar_; }
    PresetListView* presetList() const { return list_; }
    QPushButton* newButton() const { return new_; }
    QMenuBar* menus() const { return menuBar_; }
    DeviceConfigControlView* rowView(const DeviceConfigControl& row) const;
    // The list's context menu for an item (null: none); built as it opens.
    QMenu* presetMenu(QTreeWidgetItem* item);

  protected:
    void exitRequested() override { dialog_.exit(); }
    void escapeRequested() override { dialog_.escape(); }
    void helpRequested() override { dialog_.help(); }
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    void buildDevices(QWidget* content);
    void buildPresets(QWidget* content);
    void addNewPresetActions(QMenu* menu, const char* kvpText);
    void centreOnScreen();

    MappingDialog& dialog_;
    EditorRunner runEditor_;
    DialogUnits units_;
    QMenuBar* menuBar_ = nullptr;
    QWidget* panel_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    PresetListView* list_ = nullptr;
    QPushButton* new_ = nullptr;
    std::map<const DeviceConfigControl*, DeviceConfigControlView*> rows_;
};

}  // namespace qmt
