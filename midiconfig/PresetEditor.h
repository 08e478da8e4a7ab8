#pragma once
// The preset editor: one preset, shown as the assignments of one selected control at a time,
// edited through the assignment panel, loaded, saved and created. It owns the preset, its
// application list and the panel, decides every text, prompt and message, and drives an
// abstract view (the window) that draws and reports the user's input.
//
// User-interface thread only. Live input arrives on the poller's thread and must be handed
// to this thread before it calls selectControl().

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "midiconfig/ActionControl.h"
#include "midiconfig/ControllerPicture.h"
#include "midiconfig/ControllerPictureHostIf.h"
#include "midiconfig/DeviceFilter.h"
#include "midiconfig/LiveInputDetector.h"
#include "midiconfig/QmtHidMultiPoller.h"
#include "midiconfig/QmtHidObserverIf.h"
#include "model/PresetDocument.h"
#include "platform/HidDevices.h"
#include "platform/MessageBoxIf.h"

namespace qmt {

class DeviceRegistry;
class RegistryIf;

class PresetEditor : public ActionControl::ListenerIf,
                     public ControllerPictureHostIf,
                     public QmtHidObserverIf {
  public:
    // A file dialog the editor asks the view to run.
    struct FileDialogRequest {
        bool save = false;
        std::string title;
        std::string folder;            // initial folder; empty: the view's choice
        std::string filterText;        // e.g. "Ardo MIDI Preset (*.kap)"
        std::string patterns;          // e.g. "*.kap" or "*.kap;*.kvp;*.kqp"
        std::string defaultExtension;  // without the dot; save dialogs only
    };
    struct FileDialogResult {
        enum class Outcome : uint8_t { Chosen, Cancelled, Failed };
        Outcome outcome = Outcome::Cancelled;
        std::string path;
    };

    class ViewIf {
      public:
        virtual ~ViewIf() = default;
        virtual void setTitle(const std::string& title) = 0;
        // Replaces every tab; `current` is selected.
        virtual void setTabs(const std::vector<std::string>& labels, int current) = 0;
        virtual void setInformation(const std::string& text) = 0;
        // The picture needs drawing again (selection, hover or modifier marks changed).
        virtual void repaintPicture() = 0;
        virtual FileDialogResult runFileDialog(const FileDialogRequest& request) = 0;
        // Opens the user guide with the desktop's viewer.
        virtual void openHelp(const std::string& document) = 0;
        // Ends the window; the editor has already released what it holds.
        virtual void endDialog() = 0;
        // Live input found a control to select. Called on the poller's thread: the view
        // hands the control to the user-interface thread, which calls selectControl().
        virtual void postLiveSelection(uint8_t control) = 0;
    };

    // The services the editor uses: settings (read only), message boxes, the request to the
    // running driver to reload its mapping, and for live input the device registry and the
    // HID files to read the controllers through (without them there is no live input). The
    // clock times live input; null is the system's millisecond tick.
    struct Services {
        RegistryIf& registry;
        MessageBoxIf& messages;
        std::function<void()> notifyDriver;
        DeviceRegistry* devices = nullptr;
        HidFileSystemIf* hidFiles = nullptr;
        TickClockIf* clock = nullptr;
    };

    static constexpr int kMinimumScreenWidth = 1024;
    static constexpr int kMinimumScreenHeight = 768;
    static constexpr size_t kTabLabelLimit = 31;
    static constexpr size_t kDescriptionLimit = 127;
    static constexpr size_t kInformationLineLimit = 255;
    static constexpr size_t kInformationLimit = 511;

    explicit PresetEditor(Services services);
    ~PresetEditor() override;
    PresetEditor(const PresetEditor&) = delete;
    PresetEditor& operator=(const PresetEditor&) = delete;

    // The editor's two ways of opening, before the window exists. The screen must be at least
    // 1024 × 768 (else a message, false). The file form then reads the preset (else a
    // message, false).
    static bool screenLargeEnough(int width, int height, MessageBoxIf& messages);
    bool openFile(const std::string& path);
    void openNew(PresetKind kind);

    // The window exists: loads the pictures, shows the preset (or creates the new one) with
    // the kind's first button selected, and starts live input.
    void initialize(ViewIf& view);

    // Window input. A click on the picture and live input end in selectControl().
    void selectControl(uint8_t control);
    void tabChanging();
    void tabChanged(int index);
    void add();
    void remove();
    void newPreset(PresetKind kind);
    void loadPreset();
    bool save();
    bool saveAs();
    void exit();    // "E&xit" and the close box: asks first
    void escape();  // the Escape key: ends at once
    void about();
    void help();

    // ActionControl::ListenerIf
    void modifierChanged() override;
    void descriptionChanged() override;

    // ControllerPictureHostIf (user-interface thread).
    void hoverChanged(uint8_t control) override;
    void controlClicked(uint8_t control) override { selectControl(control); }
    uint8_t selectedControl() override { return selected_; }
    void collectModifiers(std::vector<uint8_t>& modifiers) override;

    // QmtHidObserverIf (the poller's thread): the detection of the one operated control.
    void stateReport(const HidControlState& state) override;
    void readTrouble(size_t, uint32_t) override {}

    ControllerPicture& picture() { return picture_; }
    bool liveInputRunning() const { return poller_ != nullptr; }

    // State, for the picture and the view.
    ActionControl& panel() { return panel_; }
    bool hasPreset() const { return document_ != nullptr; }
    PresetKind kind() const { return kind_; }
    const std::string& path() const { return path_; }
    bool modified() const { return modified_; }
    uint8_t hoveredControl() const { return hovered_; }
    int currentTab() const { return currentTab_; }
    const PresetDocument* document() const { return document_.get(); }
    const std::vector<ApplicationEntry>& applications() const { return applications_; }
    // Modifiers of the selected control's assignments (the working copy's for the one in the
    // panel), without "none": the picture marks them.
    std::vector<uint8_t> selectedModifiers() const;

    std::string title() const;
    std::string tabLabel(size_t index) const;
    std::string information() const;
    // True when the selected mapping names the preset file at `path` in a slot of its kind.
    bool usedBySelectedMapping(const std::string& path) const;
    // The first button of a kind's model, selected when the editor opens.
    static uint8_t firstButtonOf(PresetKind kind);

  private:
    AssignmentList* shownList();
    const AssignmentList* shownList() const;
    void commit();
    void showSelectedList();
    void loadTab(int index);
    void rebuildTabs();
    void rebuildInformation();
    void replaceDocument(std::unique_ptr<PresetDocument> document, const std::string& path);
    bool proceedAfterPrompt();
    bool writeFile();
    void startLiveInput();
    void setKind(PresetKind kind);
    void release();
    std::string presetFolder() const;
    void warn(const char* text);

    Services services_;
    ViewIf* view_ = nullptr;
    ActionControl panel_;

    std::unique_ptr<PresetDocument> document_;
    std::vector<ApplicationEntry> applications_;
    std::string path_;
    PresetKind kind_ = PresetKind::Kvp;
    bool modified_ = false;
    uint8_t selected_ = kNoControl;
    uint8_t hovered_ = kNoControl;
    int currentTab_ = -1;  // the assignment in the panel; -1 while none is

    ControllerPicture picture_{*this};
    SteadyTickClock steadyClock_;
    LiveInputDetector detector_;
    DeviceFilter filter_{*this};
    // Declared last: destroyed first, so its thread has stopped before what it calls goes.
    std::unique_ptr<QmtHidMultiPoller> poller_;
};

}  // namespace qmt
