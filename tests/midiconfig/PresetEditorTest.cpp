#include "midiconfig/PresetEditor.h"

#include <gtest/gtest.h>

#include "model/ControlId.h"

#include "EditorRig.h"
#include "devices/QmtMidiBrand.h"
#include "midiconfig/HidControlState.h"
#include "model/Mapping.h"
#include "model/PresetFile.h"

namespace qmt {
namespace {

using test::EditorRig;
using Outcome = PresetEditor::FileDialogResult::Outcome;

Assignment NoteOn(uint8_t note, uint8_t modifier = kNoControl) {
    Assignment a;
    a.function = kTrigger;
    a.modifier = modifier;
    a.messages[0].kind = kMsgNote;
    a.messages[0].channel = 0;
    a.messages[0].number = note;
    a.messages[0].value = 127;
    return a;
}

// A KVP preset with two assignments on "Eject" and one on "Play".
PresetDocument SamplePreset(PresetKind kind = PresetKind::Kvp) {
    PresetDocument document(kind);
    document.preset().lists[kControlEject] = {NoteOn(60), NoteOn(61, kControlMenu)};
    document.preset().lists[kControlPlay] = {NoteOn(62)};
    document.preset().lists[kControlNeWheelTop] = {NoteOn(63)};  // leads ARDO and PROTO
    document.preset().lists[kControlWheelTop] = {NoteOn(64)};    // leads ARDO RAW
    return document;
}

class PresetEditorTest : public testing::Test {
  protected:
    // Opens the editor on a file written from `document`.
    void openFile(const PresetDocument& document, const std::string& name = "live.kvp") {
        path = rig.writePreset(name, document);
        ASSERT_TRUE(rig.editor.openFile(path));
        rig.editor.initialize(rig.view);
    }
    const Assignment& stored(uint8_t control, size_t i) {
        return rig.editor.document()->preset().lists[control][i];
    }

    EditorRig rig;
    std::string path;
};

TEST_F(PresetEditorTest, NewPresetSelectsTheFirstButtonWithADefaultAssignment) {
    rig.editor.openNew(PresetKind::Kqp);
    rig.editor.initialize(rig.view);
    EXPECT_EQ(rig.editor.selectedControl(), kControlWheelTop);  // leads ARDO RAW's buttons
    EXPECT_EQ(rig.view.title, "New Preset - Preset Editor");
    EXPECT_EQ(rig.view.tabs, std::vector<std::string>{"Wheel top"});
    EXPECT_TRUE(rig.editor.modified());
    const Assignment& a = stored(kControlWheelTop, 0);
    EXPECT_EQ(a.function, kTrigger);
    EXPECT_EQ(a.modifier, kNoControl);
    EXPECT_EQ(a.messages[0].kind, kMsgNone);
    // The panel shows the defaults of the kinds it does not store yet.
    EXPECT_EQ(rig.editor.panel().workingCopy().messages[0].channel, kChannelDefault);
    EXPECT_EQ(rig.editor.panel().workingCopy().messages[0].velocity, 127);
    EXPECT_EQ(rig.editor.panel().workingCopy().intervalMs, 50u);
    EXPECT_EQ(PresetEditor::firstButtonOf(PresetKind::Kvp), kControlEject);
    EXPECT_EQ(PresetEditor::firstButtonOf(PresetKind::Krp), kControlNeWheelTop);
}

TEST_F(PresetEditorTest, TabSwitchingWithoutChangesLeavesThePresetUnmodified) {
    openFile(SamplePreset());
    EXPECT_EQ(rig.view.title, "live.kvp - Preset Editor");
    EXPECT_EQ(rig.view.tabs, (std::vector<std::string>{"Eject", "Eject + Menu"}));
    rig.editor.tabChanging();
    rig.editor.tabChanged(1);
    rig.editor.tabChanging();
    rig.editor.tabChanged(0);
    rig.editor.selectControl(kControlPlay);
    rig.editor.selectControl(kControlEject);
    EXPECT_FALSE(rig.editor.modified());

    // An edit is committed when the tab changes, and only then.
    rig.editor.panel().choose(0, HalfField::Note, 64);
    EXPECT_EQ(stored(kControlEject, 0).messages[0].number, 60);
    rig.editor.tabChanging();
    rig.editor.tabChanged(1);
    EXPECT_TRUE(rig.editor.modified());
    EXPECT_EQ(stored(kControlEject, 0).messages[0].number, 64);
}

TEST_F(PresetEditorTest, SelectingAnEmptyControlAddsOneAssignment) {
    openFile(SamplePreset());
    rig.editor.selectControl(kControlWheel);
    ASSERT_EQ(rig.editor.document()->preset().lists[kControlWheel].size(), 1u);
    EXPECT_EQ(stored(kControlWheel, 0).function, kRotate);
    EXPECT_TRUE(rig.editor.modified());
    EXPECT_EQ(rig.view.tabs, std::vector<std::string>{"Wheel"});
}

TEST_F(PresetEditorTest, RemovingTheLastAssignmentLeavesAFreshDefault) {
    openFile(SamplePreset());
    rig.editor.tabChanging();
    rig.editor.tabChanged(1);
    rig.editor.remove();
    EXPECT_EQ(rig.view.tabs, std::vector<std::string>{"Eject"});
    EXPECT_EQ(rig.editor.currentTab(), 0);
    EXPECT_EQ(rig.editor.panel().workingCopy().messages[0].note, 60);
    rig.editor.remove();
    ASSERT_EQ(rig.editor.document()->preset().lists[kControlEject].size(), 1u);
    EXPECT_EQ(stored(kControlEject, 0).messages[0].kind, kMsgNone);
    EXPECT_EQ(rig.editor.panel().workingCopy().messages[0].kind, kMsgNone);
    EXPECT_TRUE(rig.editor.modified());
}

TEST_F(PresetEditorTest, ModifierChangeRelabelsTheTabAndMarksThePicture) {
    openFile(SamplePreset());
    const int repaints = rig.view.repaints;
    rig.editor.panel().chooseModifier(IndexOfData(ModifierItems(PresetKind::Kvp), kControlCue));
    EXPECT_EQ(rig.view.tabs[0], "Eject + Cue");
    EXPECT_GT(rig.view.repaints, repaints);
    EXPECT_EQ(rig.editor.selectedModifiers(), (std::vector<uint8_t>{kControlCue, kControlMenu}));
}

TEST_F(PresetEditorTest, InformationDescribesTheHoveredControlWithTheWorkingCopy) {
    openFile(SamplePreset());
    rig.editor.hoverChanged(kControlEject);
    EXPECT_EQ(rig.view.information,
              "Eject: (Trigger)\n    Press: MIDI note - Release: None\n"
              "Eject + Menu: (Trigger)\n    Press: MIDI note - Release: None\n");
    rig.editor.panel().choose(1, HalfField::Kind, kMsgControlChange);
    EXPECT_EQ(rig.view.information.substr(0, 58),
              "Eject: (Trigger)\n    Press: MIDI note - Release: MIDI cont");
    rig.editor.hoverChanged(200);  // clamped to "none"
    EXPECT_EQ(rig.editor.hoveredControl(), kNoControl);
    EXPECT_EQ(rig.view.information, "");

    // Many assignments: the text stops at 511 characters.
    PresetDocument busy(PresetKind::Kvp);
    busy.preset().lists[kControlEject].assign(20, NoteOn(1));
    rig.view = {};
    EditorRig other;
    const std::string busyPath = other.writePreset("busy.kvp", busy);
    ASSERT_TRUE(other.editor.openFile(busyPath));
    other.editor.initialize(other.view);
    other.editor.hoverChanged(kControlEject);
    EXPECT_EQ(other.view.information.size(), PresetEditor::kInformationLimit);
}

TEST_F(PresetEditorTest, SaveNotifiesTheDriverOnlyForThePresetOfTheSelectedMapping) {
    openFile(SamplePreset());
    rig.editor.panel().choose(0, HalfField::Note, 70);
    EXPECT_TRUE(rig.editor.save());
    EXPECT_FALSE(rig.editor.modified());
    EXPECT_EQ(rig.notifications, 0);  // no mapping is selected
    EXPECT_EQ(PresetDocument::load(path)->preset().lists[kControlEject][0].messages[0].number, 70);

    Mapping mapping;
    mapping.entries.resize(1);
    mapping.entries[0].type = kModelKv10;
    mapping.entries[0].slotUsed[0] = true;
    mapping.entries[0].presetNames[0] = "LIVE";  // names ignore case
    const std::string mappingPath = rig.dir.write("set.kdm", WriteMapping(mapping));
    rig.registry.setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, mappingPath);
    EXPECT_TRUE(rig.editor.save());
    EXPECT_EQ(rig.notifications, 1);
    EXPECT_FALSE(rig.editor.usedBySelectedMapping(rig.dir.file("live.kap")));
    EXPECT_FALSE(rig.editor.usedBySelectedMapping(rig.dir.file("other.kvp")));
    EXPECT_TRUE(rig.editor.usedBySelectedMapping("C:\\Presets\\Live.KVP"));
}

TEST_F(PresetEditorTest, SaveAsOffersTheKindsFilterInThePresetFolder) {
    rig.registry.setString(Hive::CurrentUser, kQmtMidiKey, kPresetPathValue,
                           rig.dir.path().string() + "/");
    rig.editor.openNew(PresetKind::Kap);
    rig.editor.initialize(rig.view);
    rig.view.choose(rig.dir.file("mine.kap"));
    EXPECT_TRUE(rig.editor.save());
    ASSERT_EQ(rig.view.requests.size(), 1u);
    const auto& request = rig.view.requests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.title, "Save preset");
    EXPECT_EQ(request.folder, rig.dir.path().string());
    EXPECT_EQ(request.filterText, "Ardo MIDI Preset (*.kap)");
    EXPECT_EQ(request.defaultExtension, "kap");
    EXPECT_EQ(rig.view.title, "mine.kap - Preset Editor");
    const std::vector<uint8_t> saved = rig.dir.read("mine.kap");
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "KAP2");

    // A failed write keeps the preset modified and says so twice (save, then save as).
    rig.editor.add();
    rig.view.choose(rig.dir.file("no-such-folder/x.kap"));
    EXPECT_FALSE(rig.editor.saveAs());
    EXPECT_TRUE(rig.editor.modified());
    ASSERT_EQ(rig.boxes.shown().size(), 2u);
    EXPECT_EQ(rig.boxes.shown()[1].text, "Failed to save preset");
}

TEST_F(PresetEditorTest, YesThenCancellingTheFileDialogContinuesWithoutSaving) {
    rig.editor.openNew(PresetKind::Kvp);
    rig.editor.initialize(rig.view);
    ASSERT_TRUE(rig.editor.modified());
    rig.boxes.answerNext(MessageBoxAnswer::Yes);
    rig.view.dialogAnswers.push_back({Outcome::Cancelled, ""});
    rig.editor.newPreset(PresetKind::Kap);
    ASSERT_EQ(rig.boxes.shown().size(), 1u);
    EXPECT_EQ(rig.boxes.shown()[0].caption, "Exit");
    EXPECT_EQ(rig.editor.kind(), PresetKind::Kap);
    EXPECT_EQ(rig.editor.selectedControl(), kControlEject);  // the selection stays

    // Cancel stops closing; No closes without saving.
    rig.boxes.answerNext(MessageBoxAnswer::Cancel);
    rig.editor.exit();
    EXPECT_FALSE(rig.view.ended);
    EXPECT_TRUE(rig.editor.hasPreset());
    rig.boxes.answerNext(MessageBoxAnswer::No);
    rig.editor.exit();
    EXPECT_TRUE(rig.view.ended);
    EXPECT_FALSE(rig.editor.hasPreset());
}

TEST_F(PresetEditorTest, EscapeEndsAtOnceWithoutAsking) {
    rig.editor.openNew(PresetKind::Kvp);
    rig.editor.initialize(rig.view);
    rig.editor.escape();
    EXPECT_TRUE(rig.view.ended);
    EXPECT_TRUE(rig.boxes.shown().empty());
    EXPECT_FALSE(rig.editor.hasPreset());
    EXPECT_FALSE(rig.editor.panel().loaded());
}

TEST_F(PresetEditorTest, KrpFileLoadsAndSavesAsKrp) {
    openFile(SamplePreset(PresetKind::Kqp), "start.kqp");
    const std::string krp = rig.writePreset("proto.krp", SamplePreset(PresetKind::Krp));
    rig.view.choose(krp);
    rig.editor.loadPreset();
    ASSERT_EQ(rig.view.requests.size(), 1u);
    const auto& request = rig.view.requests.back();
    EXPECT_EQ(request.filterText, "QMT MIDI Preset (*.kap,*.kvp,*.kqp)");
    EXPECT_EQ(request.patterns, "*.kap;*.kvp;*.kqp");
    EXPECT_EQ(rig.editor.kind(), PresetKind::Krp);
    EXPECT_EQ(rig.editor.selectedControl(), kControlWheelTop);  // the selection stays
    EXPECT_FALSE(rig.editor.modified());
    rig.editor.panel().choose(0, HalfField::Note, 1);
    EXPECT_TRUE(rig.editor.save());
    const std::vector<uint8_t> bytes = rig.dir.read("proto.krp");
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "KRP0");
    EXPECT_EQ(PresetDocument::load(krp)->preset().lists[kControlWheelTop][0].messages[0].number, 1);
}

TEST_F(PresetEditorTest, FailedLoadKeepsThePreset) {
    openFile(SamplePreset());
    rig.view.choose(rig.dir.write("broken.kvp", {'K', 'V', 'P', '4', 0}));
    rig.editor.loadPreset();
    ASSERT_EQ(rig.boxes.shown().size(), 1u);
    EXPECT_EQ(rig.boxes.shown()[0].text, "Failed to load preset");
    EXPECT_EQ(rig.editor.path(), path);
    EXPECT_FALSE(rig.editor.openFile(rig.dir.file("missing.kvp")));
}

TEST_F(PresetEditorTest, LiveInputSelectsTheOneOperatedControlOfTheEditedKind) {
    openFile(SamplePreset());
    HidControlState idle;
    idle.modelType = kModelKv10;
    HidControlState play = idle;
    play.buttons = uint64_t{1} << kControlPlay;  // KV10: bit n is identifier n
    HidControlState ardo = play;
    ardo.modelType = kModelArdo;
    const auto at = [&](int64_t ms, const HidControlState& state) {
        rig.clock.set(ms * 10'000);
        rig.editor.stateReport(state);
    };
    at(100, idle);
    at(200, ardo);  // another kind than the edited preset's
    at(300, play);
    ASSERT_EQ(rig.view.liveSelections, std::vector<uint8_t>{kControlPlay});
    at(400, play);  // still the same control: nothing new
    EXPECT_EQ(rig.view.liveSelections.size(), 1u);
    // The view hands the control to the user-interface thread, which selects it.
    rig.editor.selectControl(rig.view.liveSelections[0]);
    EXPECT_EQ(rig.view.tabs, std::vector<std::string>{"Play"});
}

TEST_F(PresetEditorTest, ScreenMustBeAtLeast1024By768) {
    ScriptedMessageBox boxes;
    EXPECT_FALSE(PresetEditor::screenLargeEnough(1023, 768, boxes));
    EXPECT_FALSE(PresetEditor::screenLargeEnough(1024, 767, boxes));
    EXPECT_TRUE(PresetEditor::screenLargeEnough(1024, 768, boxes));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, "Display resolution must be atleast 1024 by 768 pixels.");
    EXPECT_EQ(boxes.shown()[0].caption, "Error");
}

TEST_F(PresetEditorTest, AboutAndHelp) {
    QmtMidiBrand brand;
    rig.editor.openNew(PresetKind::Kvp);
    rig.editor.initialize(rig.view);
    rig.editor.about();
    ASSERT_EQ(rig.boxes.shown().size(), 1u);
    EXPECT_EQ(rig.boxes.shown()[0].caption, "About");
    EXPECT_EQ(rig.boxes.shown()[0].text.rfind("QMT MIDI driver configuration.", 0), 0u);
    rig.editor.help();
    EXPECT_EQ(rig.view.helpOpened, "help.pdf");
}

}  // namespace
}  // namespace qmt
