#pragma once
// The preset editor's window, laid out as its dialog template: the picture area under
// "Controls" on the left; under "Button Assignment" the tabs with the assignment panel,
// "Add" and "Remove", and the information text; the "File" and "Help" menus. It shows what
// PresetEditor tells it and forwards the user's input; it decides nothing itself.

#include <memory>

#include "midiconfig/PresetEditor.h"
#include "midiconfig/qt/ProgramWindowAbs.h"
#include "platform/qt/DialogUnits.h"

class QLabel;
class QMenuBar;
class QPushButton;
class QTabBar;

namespace qmt {

class ActionControlView;

class PresetEditorWindow final : public ProgramWindowAbs, public PresetEditor::ViewIf {
    Q_OBJECT

  public:
    // The template's client size in dialog units.
    static constexpr int kWidthUnits = 581;
    static constexpr int kHeightUnits = 322;

    explicit PresetEditorWindow(PresetEditor& editor, QWidget* owner = nullptr);
    ~PresetEditorWindow() override;

    // PresetEditor::ViewIf
    void setTitle(const std::string& title) override;
    void setTabs(const std::vector<std::string>& labels, int current) override;
    void setInformation(const std::string& text) override;
    void repaintPicture() override;
    PresetEditor::FileDialogResult runFileDialog(
        const PresetEditor::FileDialogRequest& request) override;
    void openHelp(const std::string& document) override;
    void endDialog() override;
    void postLiveSelection(uint8_t control) override;

    // Centres the window on the primary screen, as the editor opens.
    void centreOnScreen();

    // The parts, for tests and screenshots.
    QTabBar* tabBar() const { return tabs_; }
    QLabel* informationLabel() const { return information_; }
    ActionControlView* panelView() const { return panel_; }
    QWidget* pictureArea() const { return picture_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }
    QMenuBar* menus() const { return menuBar_; }

  protected:
    void exitRequested() override { editor_.exit(); }
    void escapeRequested() override { editor_.escape(); }
    void helpRequested() override { editor_.help(); }

  private:
    void buildMenus();
    void buildContent(QWidget* content);

    PresetEditor& editor_;
    DialogUnits units_;
    QMenuBar* menuBar_ = nullptr;
    QWidget* picture_ = nullptr;
    QTabBar* tabs_ = nullptr;
    ActionControlView* panel_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLabel* information_ = nullptr;
    bool showingTabs_ = false;  // set while the editor's tabs are shown: no input then
};

// Where the user guide is: `document` in the current folder when it is there, else beside
// the program, else in the installed share folder. Empty when none exists.
QString FindHelpDocument(const QString& document);

// Opens the user guide with the desktop's viewer, or tells the user why it cannot.
void OpenHelpDocument(QWidget* owner, const QString& document);

}  // namespace qmt
