#pragma once
// The configuration program's main window: on the left one row per controller that the
// mapping names or that is connected, on the right the presets of the preset folder. It edits
// one mapping at a time, saves it to a mapping file and tells the running driver to reload
// when the saved file is the selected mapping. It owns the rows, the preset list and the
// mapping, decides every text, prompt and message, and drives an abstract view.
//
// Threads: everything runs on the user-interface thread except stateChanged(), which the
// device registry calls on whichever thread enumerates (its polling thread, or the caller
// of addEventHandler / removeDevice). It only queues the event, by value, because the
// device may be forgotten and destroyed before the user-interface thread gets to it; the
// view is asked to run drainDeviceEvents() on the user-interface thread.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceInfo.h"
#include "midiconfig/ControllerInfo.h"
#include "midiconfig/DeviceConfigControl.h"
#include "midiconfig/PresetEditor.h"
#include "midiconfig/PresetInfoShort.h"
#include "midiconfig/PresetNameDialog.h"
#include "midiconfig/RowScroller.h"
#include "platform/MessageBoxIf.h"

namespace qmt {

class DeviceRegistry;
class RegistryIf;

class MappingDialog : public DeviceInfo::EventHandlerIf {
  public:
    using FileDialogRequest = PresetEditor::FileDialogRequest;
    using FileDialogResult = PresetEditor::FileDialogResult;

    class ViewIf {
      public:
        virtual ~ViewIf() = default;
        virtual void setTitle(const std::string& title) = 0;
        // A row joined the list (the view makes its widget) or is about to be destroyed.
        virtual void rowAdded(DeviceConfigControl& row) = 0;
        virtual void rowRemoved(DeviceConfigControl& row) = 0;
        // Rows moved or the scroll range changed: place every row at its rowTop() and set the
        // scroll bar from scroller().
        virtual void layoutRows() = 0;
        // The preset list changed: show presets() again.
        virtual void presetListChanged() = 0;
        virtual FileDialogResult runFileDialog(const FileDialogRequest& request) = 0;
        // Runs the rename or duplicate dialog modally; true for "Ok".
        virtual bool runNameDialog(PresetNameDialog& dialog) = 0;
        // Runs the preset editor modally on a file (`path`) or on a new preset of `kind`.
        virtual void runEditor(const std::string* path, PresetKind kind) = 0;
        virtual void openHelp(const std::string& document) = 0;
        // Any thread: device events wait; call drainDeviceEvents() on the user-interface
        // thread.
        virtual void deviceEventsPending() = 0;
        // Ends the window; the dialog has already let go of the registry and its rows.
        virtual void endDialog() = 0;
    };

    struct Services {
        DeviceRegistry& devices;
        RegistryIf& settings;
        MessageBoxIf& messages;
        std::function<void()> notifyDriver;
    };

    // Paths longer than the system's file-name buffers end the operation silently.
    static constexpr size_t kMaxPresetPath = 259;
    static constexpr size_t kMaxRenamedPath = 283;

    explicit MappingDialog(Services services);
    ~MappingDialog() override;
    MappingDialog(const MappingDialog&) = delete;
    MappingDialog& operator=(const MappingDialog&) = delete;

    // The window exists: scans the preset folder, opens the selected mapping (or a new one),
    // registers for device events (a row per known device) and shows it all unmodified.
    // `rowHeight` and `panelHeight` are the view's pixel sizes.
    void initialize(ViewIf& view, int rowHeight, int panelHeight);

    // Menu commands.
    void newMapping();
    void loadMapping();
    bool saveMapping();
    bool saveMappingAs();
    void exit();    // "E&xit" and the close box: asks first
    void escape();  // the Escape key: ends at once
    void about();
    void help();

    // The preset list's commands, on a listed file name (or a new preset of a kind).
    void newPreset(PresetKind kind);
    void editPreset(const std::string& fileName);
    void deletePreset(const std::string& fileName);
    void renamePreset(const std::string& fileName);
    void duplicatePreset(const std::string& fileName);

    // A row's context menu: "&Remove device from this list".
    void removeDevice(DeviceConfigControl* row);

    // The scroll bar.
    void scroll(RowScroller::Action action, int trackPosition = 0);

    // DeviceInfo::EventHandlerIf (any thread, see above).
    void stateChanged(DeviceInfo* device, uint32_t newState, uint32_t oldState) override;
    // User-interface thread: handles the queued device events in their order.
    void drainDeviceEvents();

    // State, for the view and tests.
    const std::vector<PresetInfoShort>& presets() const { return presets_; }
    size_t rowCount() const { return rows_.size(); }
    DeviceConfigControl& row(size_t index) { return *rows_[index]; }
    DeviceConfigControl* rowWithSerial(const std::string& serial);
    const std::vector<ControllerInfo>& entries() const { return entries_; }
    const std::string& mappingPath() const { return mappingPath_; }
    bool modified() const { return modified_; }
    const RowScroller& scroller() const { return scroller_; }
    std::string title() const;

    // Reads the preset folder again and brings the list and the rows' lists up to date.
    void scanPresetFolder();
    // Copies every row that differs from its mapping entry into the entry.
    void commitRows();
    // Brings the mapping, the rows and the preset list into agreement (see the .cpp).
    void synchronise();

  private:
    struct DeviceEvent {
        std::string serial;
        uint32_t type;
        uint32_t newState;
        uint32_t oldState;
    };

    void handle(const DeviceEvent& event);
    void deviceKnown(const DeviceEvent& event);
    void deviceForgotten(const std::string& serial);
    DeviceConfigControl& addRow(uint32_t type, const std::string& serial);
    void destroyRow(DeviceConfigControl* row);
    void forgetEntrySerial(const std::string& serial);
    ControllerInfo* entryWithSerial(const std::string& serial);
    void removeMissingPresets();
    void giveRowsEntries();
    void addRowsForEntries();
    void sortRows();
    void loadRows();
    void layout();
    void startNewMapping();
    bool proceedAfterPrompt(const char* caption);
    bool writeMapping();
    const PresetInfoShort* listed(const std::string& fileName) const;
    bool presetFolder(std::string& folder, bool warnWhenMissing = true) const;
    bool mappingFolder(std::string& folder) const;
    void warn(const std::string& text, const char* caption = "Error");
    void updateTitle();

    Services services_;
    ViewIf* view_ = nullptr;
    bool registered_ = false;
    int rowHeight_ = 0;
    int panelHeight_ = 0;

    std::vector<std::unique_ptr<DeviceConfigControl>> rows_;
    std::vector<PresetInfoShort> presets_;
    bool hasMapping_ = false;
    std::string mappingPath_;
    std::vector<ControllerInfo> entries_;
    bool modified_ = false;
    RowScroller scroller_;

    std::mutex eventMutex_;
    std::deque<DeviceEvent> events_;
};

}  // namespace qmt
