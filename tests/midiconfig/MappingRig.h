#pragma once
// A main window with a recording view, a scripted message box, settings and preset and
// mapping folders in a temporary folder, and a device registry over a simulated device tree
// that enumerates only when told to, for the main window's tests.

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "devices/DeviceRegistry.h"
#include "devices/MidiDeviceModels.h"
#include "midiconfig/MappingDialog.h"
#include "model/PresetDocument.h"
#include "model/PresetFile.h"
#include "platform/FileRegistry.h"
#include "platform/Registry.h"
#include "platform/sim/ScriptedMessageBox.h"
#include "platform/sim/SimDeviceTree.h"
#include "tests/model/TempDir.h"

namespace qmt::test {

class RecordingMappingView : public MappingDialog::ViewIf {
  public:
    void setTitle(const std::string& text) override { title = text; }
    void rowAdded(DeviceConfigControl& row) override { rows.push_back(&row); }
    void rowRemoved(DeviceConfigControl& row) override { std::erase(rows, &row); }
    void layoutRows() override { ++layouts; }
    void presetListChanged() override { ++listChanges; }
    MappingDialog::FileDialogResult runFileDialog(
        const MappingDialog::FileDialogRequest& request) override {
        requests.push_back(request);
        if (fileAnswers.empty()) return {};
        const MappingDialog::FileDialogResult answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    // Types the next scripted name (if any) and answers "Ok" when it is enabled.
    bool runNameDialog(PresetNameDialog& dialog) override {
        prompts.push_back(dialog.prompt());
        if (names.empty()) return false;
        dialog.setText(names.front());
        names.pop_front();
        prompts.push_back(dialog.prompt());
        return dialog.okEnabled();
    }
    void runEditor(const std::string* path, PresetKind kind) override {
        editorRuns.push_back(path ? *path : std::string("new ") + PresetKindName(kind));
    }
    void openHelp(const std::string& document) override { help = document; }
    void deviceEventsPending() override { ++pending; }
    void endDialog() override { ended = true; }

    void choose(const std::string& path) {
        fileAnswers.push_back({MappingDialog::FileDialogResult::Outcome::Chosen, path});
    }

    std::string title;
    std::vector<DeviceConfigControl*> rows;
    int layouts = 0;
    int listChanges = 0;
    std::vector<MappingDialog::FileDialogRequest> requests;
    std::deque<MappingDialog::FileDialogResult> fileAnswers;
    std::deque<std::string> names;
    std::vector<std::string> prompts;
    std::vector<std::string> editorRuns;
    std::string help;
    int pending = 0;
    bool ended = false;
};

class MappingRig {
  public:
    static constexpr int kRowHeight = 100;
    static constexpr int kPanelHeight = 250;  // two and a half rows

    MappingRig()
        : registry(dir.file("user.reg"), dir.file("machine.reg")),
          dialog({devices, registry, boxes, [this] { ++notifications; }}) {
        std::filesystem::create_directories(presetFolder());
        std::filesystem::create_directories(mappingFolder());
        registry.setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, presetFolder());
        registry.setString(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue, mappingFolder());
    }

    std::string presetFolder() const { return dir.file("presets"); }
    std::string mappingFolder() const { return dir.file("mappings"); }

    void writePreset(const std::string& fileName, PresetKind kind) {
        std::vector<uint8_t> bytes;
        PresetDocument(kind).serialize(bytes);
        dir.write("presets/" + fileName, bytes);
    }
    std::string writeMapping(const std::string& fileName, const std::vector<ControllerInfo>& e) {
        return dir.write("mappings/" + fileName, WriteMapping(MappingOf(e)));
    }
    std::vector<ControllerInfo> readMapping(const std::string& fileName) {
        MappingPtr mapping = ParseMapping(dir.read("mappings/" + fileName));
        return mapping ? ControllerInfosOf(*mapping) : std::vector<ControllerInfo>{};
    }
    void select(const std::string& path) {
        registry.setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, path);
    }
    int plug(SimControllerModel model, const std::u16string& serial) {
        const int controller = tree.plugController(model, serial, nextPort++);
        devices.enumerateDevices();
        dialog.drainDeviceEvents();
        return controller;
    }
    void unplug(int controller) {
        tree.unplugController(controller);
        devices.enumerateDevices();
        dialog.drainDeviceEvents();
    }
    void start() { dialog.initialize(view, kRowHeight, kPanelHeight); }

    TempDir dir;
    FileRegistry registry;
    ScriptedMessageBox boxes;
    SimDeviceTree tree;
    ManualClock clock;
    DeviceRegistry devices{tree, MidiDeviceModels(tree), DeviceRegistry::ChangeWatch::Notification,
                           &clock};
    int nextPort = 1;
    int notifications = 0;
    RecordingMappingView view;
    MappingDialog dialog;
};

}  // namespace qmt::test
