#pragma once
// A preset editor with a recording view, a scripted message box, a registry in a temporary
// folder and a count of the driver notifications, for the editor's tests.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "midiconfig/PresetEditor.h"
#include "model/PresetDocument.h"
#include "platform/FileRegistry.h"
#include "platform/Registry.h"
#include "platform/sim/ScriptedMessageBox.h"
#include "tests/model/TempDir.h"

namespace qmt::test {

class RecordingEditorView : public PresetEditor::ViewIf {
  public:
    void setTitle(const std::string& text) override { title = text; }
    void setTabs(const std::vector<std::string>& labels, int current) override {
        tabs = labels;
        currentTab = current;
    }
    void setInformation(const std::string& text) override { information = text; }
    void repaintPicture() override { ++repaints; }
    PresetEditor::FileDialogResult runFileDialog(
        const PresetEditor::FileDialogRequest& request) override {
        requests.push_back(request);
        if (dialogAnswers.empty()) return {};
        PresetEditor::FileDialogResult answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer;
    }
    void openHelp(const std::string& document) override { helpOpened = document; }
    void endDialog() override { ended = true; }
    void postLiveSelection(uint8_t control) override { liveSelections.push_back(control); }

    // The next file dialog returns this path.
    void choose(const std::string& path) {
        dialogAnswers.push_back({PresetEditor::FileDialogResult::Outcome::Chosen, path});
    }

    std::string title;
    std::vector<std::string> tabs;
    int currentTab = -1;
    std::string information;
    int repaints = 0;
    std::vector<PresetEditor::FileDialogRequest> requests;
    std::deque<PresetEditor::FileDialogResult> dialogAnswers;
    std::string helpOpened;
    bool ended = false;
    std::vector<uint8_t> liveSelections;
};

class EditorRig {
  public:
    EditorRig()
        : registry(dir.file("user.reg"), dir.file("machine.reg")),
          editor(PresetEditor::Services{registry, boxes, [this] { ++notifications; }, nullptr,
                                        nullptr, &clock}) {
        registry.setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, dir.path().string());
    }

    // Writes a preset file of `document` into the preset folder.
    std::string writePreset(const std::string& name, const PresetDocument& document) {
        std::vector<uint8_t> bytes;
        document.serialize(bytes);
        return dir.write(name, bytes);
    }

    TempDir dir;
    FileRegistry registry;
    ScriptedMessageBox boxes;
    int notifications = 0;
    ManualClock clock;  // times live input
    RecordingEditorView view;
    PresetEditor editor;
};

}  // namespace qmt::test
