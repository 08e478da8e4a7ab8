#include "midiconfig/MappingDialog.h"

#include <gtest/gtest.h>

#include "MappingRig.h"

namespace qmt {
namespace {

using test::MappingRig;
using Column = DeviceConfigControl::Column;

constexpr const char* kUnsaved =
    "You have made modifications that have not been saved.\n"
    "Do you want to save these modifications now?";

std::vector<std::string> Texts(const ScriptedMessageBox& boxes) {
    std::vector<std::string> texts;
    for (const auto& shown : boxes.shown())
        texts.push_back(shown.text);
    return texts;
}

ControllerInfo Entry(uint32_t type, const std::string& serial, int slot = -1,
                     const std::string& preset = "") {
    ControllerInfo info(type, serial);
    if (slot >= 0) info.presets[slot] = preset;
    return info;
}

class MappingDialogTest : public ::testing::Test, public MappingRig {};

TEST_F(MappingDialogTest, FolderListsPresetsByMagicAndRowsOfferThemByKind) {
    writePreset("Zeta.kap", PresetKind::Kap);
    writePreset("alpha.KAP", PresetKind::Kap);
    writePreset("Beat.kvp", PresetKind::Kvp);
    writePreset("Raw.kqp", PresetKind::Kqp);
    writePreset("Proto.krp", PresetKind::Krp);  // never offered
    writePreset("Mislabelled.kap", PresetKind::Krp);
    dir.write("presets/Junk.kvp", {'X', 'Y', 'Z', 'W', 0});
    dir.write("presets/Notes.txt", {'K', 'V', 'P', '4'});
    plug(SimControllerModel::Ardo, u"ARDO1");
    start();

    std::vector<std::string> listed;
    for (const PresetInfoShort& p : dialog.presets())
        listed.push_back(p.displayName + "/" + PresetTypeText(p.kind));
    EXPECT_EQ(listed, (std::vector<std::string>{"Beat/KV5 & KV10", "Zeta/Ardo", "alpha/Ardo",
                                                "Raw/Ardo Raw"}));
    ASSERT_EQ(dialog.rowCount(), 1u);
    DeviceConfigControl& row = dialog.row(0);
    EXPECT_EQ(row.modelName(), std::string("ARDO"));
    EXPECT_EQ(row.rightPresetLabel(), std::string("Preset (Green)"));
    EXPECT_EQ(row.slotOf(Column::Left), 1);
    EXPECT_EQ(row.slotOf(Column::Right), 2);
    EXPECT_EQ(row.presetItems(1), (std::vector<std::string>{"None", "alpha", "Zeta"}));
    EXPECT_EQ(row.presetItems(0), (std::vector<std::string>{"None", "Beat"}));
    EXPECT_EQ(row.presetItems(3), (std::vector<std::string>{"None"}));
    EXPECT_EQ(view.title, "New Mapping - QMT MIDI Configuration");
}

TEST_F(MappingDialogTest, MissingPresetsAreReportedOnceAndDroppedFromEveryEntry) {
    writePreset("Live.kap", PresetKind::Kap);
    ControllerInfo first = Entry(3, "ARDO1", 1, "Gone");
    first.presets[2] = "Live";
    first.presets[3] = "OldProto";  // KRP slots are cleared without a word
    ControllerInfo second = Entry(3, "ARDO2", 2, "Gone");
    select(writeMapping("Set.kdm", {first, second}));
    start();

    EXPECT_EQ(Texts(boxes),
              (std::vector<std::string>{"Preset 'Gone.kap' was not found.\n"
                                        "References to the preset will be removed."}));
    EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    ASSERT_EQ(dialog.entries().size(), 2u);
    EXPECT_EQ(dialog.entries()[0].presets[1], "");
    EXPECT_EQ(dialog.entries()[0].presets[2], "Live");
    EXPECT_EQ(dialog.entries()[0].presets[3], "");
    EXPECT_EQ(dialog.entries()[1].presets[2], "");
    EXPECT_EQ(view.title, "Set.kdm - QMT MIDI Configuration");
    EXPECT_FALSE(dialog.modified());  // opening is not an edit
}

TEST_F(MappingDialogTest, ConnectedControllersClaimFreeEntriesAndRowsSortBySerial) {
    writePreset("Deck.kap", PresetKind::Kap);
    select(writeMapping("Two.kdm", {Entry(0, "", 1, "Deck"), Entry(3, "ZZZ-OFFLINE")}));
    plug(SimControllerModel::Kv5, u"KV5-B");
    plug(SimControllerModel::Ardo, u"ARDO-A");
    start();

    ASSERT_EQ(dialog.rowCount(), 3u);
    EXPECT_EQ(dialog.row(0).serial(), "ARDO-A");
    EXPECT_EQ(dialog.row(1).serial(), "KV5-B");
    EXPECT_EQ(dialog.row(2).serial(), "ZZZ-OFFLINE");
    EXPECT_TRUE(dialog.row(0).connected());
    EXPECT_FALSE(dialog.row(2).connected());
    // The first plugged (KV5) took the unnamed any-model entry with its preset; it is a KAP
    // name, so the KV5 row shows none, and the ARDO got an entry of its own.
    EXPECT_EQ(dialog.entries()[0].serial, "KV5-B");
    EXPECT_EQ(dialog.entries()[0].type, 2u);
    EXPECT_EQ(dialog.entries()[2].serial, "ARDO-A");
    EXPECT_EQ(dialog.row(0).presetSelection(1), 0);
    EXPECT_FALSE(dialog.modified());

    // A controller plugged later gets a row at once; that is a change of the mapping.
    plug(SimControllerModel::ArdoRaw, u"RAW-C");
    ASSERT_EQ(dialog.rowCount(), 4u);
    EXPECT_EQ(dialog.row(2).serial(), "RAW-C");
    EXPECT_EQ(dialog.row(2).slotOf(Column::Left), 5);
    EXPECT_TRUE(dialog.modified());
}

TEST_F(MappingDialogTest, OnlyAControllerThatIsNotConnectedLeavesTheList) {
    start();
    const int ardo = plug(SimControllerModel::Ardo, u"ARDO1");
    DeviceConfigControl* row = dialog.rowWithSerial("ARDO1");
    ASSERT_NE(row, nullptr);
    EXPECT_FALSE(row->canRemove());
    dialog.removeDevice(row);
    EXPECT_EQ(dialog.rowCount(), 1u);

    unplug(ardo);
    EXPECT_FALSE(row->connected());
    dialog.removeDevice(row);
    EXPECT_EQ(dialog.rowCount(), 0u);
    EXPECT_EQ(devices.getNumberOfDevices(), 0u);  // forgotten by the registry too
    ASSERT_EQ(dialog.entries().size(), 1u);
    EXPECT_EQ(dialog.entries()[0].serial, "");  // the entry stays, for the next ARDO
    EXPECT_TRUE(dialog.modified());
}

TEST_F(MappingDialogTest, SavingWritesTheRowsChoicesAndReloadsTheDriverForTheSelectedMapping) {
    writePreset("Deck A.kap", PresetKind::Kap);
    writePreset("Deck B.kap", PresetKind::Kap);
    const std::string path = writeMapping("Live.kdm", {Entry(3, "ARDO1")});
    select(path);
    plug(SimControllerModel::Ardo, u"ARDO1");
    start();
    DeviceConfigControl& row = dialog.row(0);
    row.selectPreset(1, 2);  // "Deck B", orange
    row.selectChannel(Column::Left, 5);
    row.selectPreset(2, 1);  // "Deck A", green
    row.selectChannel(Column::Right, kChannelIndexOmni);

    // The selected mapping's path differs in letter case only: still the driver's file.
    registry.setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue,
                       dir.file("MAPPINGS/live.KDM"));
    ASSERT_TRUE(dialog.saveMapping());
    EXPECT_EQ(notifications, 1);
    EXPECT_FALSE(dialog.modified());
    const MappingPtr saved = ParseMapping(dir.read("mappings/Live.kdm"));
    ASSERT_TRUE(saved);
    const MappingEntry& entry = saved->entries[0];
    EXPECT_EQ(entry.presetNames[1], "Deck B");
    EXPECT_EQ(entry.defaultChannels[1], 4);
    EXPECT_EQ(entry.inputChannels[1], 4);
    EXPECT_EQ(entry.presetNames[2], "Deck A");
    EXPECT_EQ(entry.defaultChannels[2], 0);  // "Omni" is no channel to send on
    EXPECT_EQ(entry.inputChannels[2], kChannelOmni);

    // Saved elsewhere: the driver's mapping is not this one.
    view.choose(dir.file("mappings/Copy.kdm"));
    ASSERT_TRUE(dialog.saveMappingAs());
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(view.requests.back().title, "Save mapping");
    EXPECT_EQ(view.requests.back().folder, mappingFolder());
    EXPECT_EQ(view.title, "Copy.kdm - QMT MIDI Configuration");
}

TEST_F(MappingDialogTest, UnsavedChangesAskBeforeClosingAndAFailedSaveKeepsTheWindow) {
    plug(SimControllerModel::Kv10, u"KV10-1");
    start();
    writePreset("Mix.kvp", PresetKind::Kvp);
    dialog.scanPresetFolder();
    dialog.row(0).selectPreset(0, 1);

    boxes.answerNext(MessageBoxAnswer::Cancel);
    dialog.exit();
    EXPECT_FALSE(view.ended);
    EXPECT_EQ(boxes.lastText(), kUnsaved);
    EXPECT_EQ(boxes.shown().back().caption, "Exit");

    // Yes, to a folder that cannot take the file: the save fails and the window stays.
    boxes.answerNext(MessageBoxAnswer::Yes);
    view.choose(dir.file("no-such-folder/Mix.kdm"));
    dialog.exit();
    EXPECT_FALSE(view.ended);
    EXPECT_EQ(boxes.lastText(), "Failed to save mapping");
    EXPECT_TRUE(dialog.modified());

    boxes.answerNext(MessageBoxAnswer::No);
    dialog.exit();
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(dialog.rowCount(), 0u);
    EXPECT_EQ(view.rows.size(), 0u);
}

TEST_F(MappingDialogTest, LoadingAMappingReplacesTheEntriesAndAFaultyFileChangesNothing) {
    writePreset("Deck.kap", PresetKind::Kap);
    start();
    dir.write("mappings/Broken.kdm", {'K', 'D', 'M', '2', 0, 0, 0, 0, 0});
    view.choose(dir.file("mappings/Broken.kdm"));
    dialog.loadMapping();
    EXPECT_EQ(boxes.lastText(), "Failed to load mapping");
    EXPECT_EQ(view.requests.back().filterText, "QMT Device Mapping (*.kdm)");
    EXPECT_EQ(view.title, "New Mapping - QMT MIDI Configuration");

    view.choose(writeMapping("Good.kdm", {Entry(3, "ARDO9", 2, "Deck")}));
    dialog.loadMapping();
    ASSERT_EQ(dialog.rowCount(), 1u);
    EXPECT_EQ(dialog.row(0).presetSelection(2), 1);
    EXPECT_EQ(view.title, "Good.kdm - QMT MIDI Configuration");

    registry.deleteValue(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue);
    dialog.loadMapping();
    EXPECT_EQ(boxes.lastText(), "Failed to retrieve mapping path");
}

TEST_F(MappingDialogTest, ScanningAfterAPresetLeavesClearsTheSlotsThatNamedIt) {
    writePreset("Gone.kqp", PresetKind::Kqp);
    select(writeMapping("Raw.kdm", {Entry(6, "RAW1", 5, "Gone")}));
    start();
    EXPECT_FALSE(dialog.modified());
    std::filesystem::remove(dir.file("presets/Gone.kqp"));
    dialog.scanPresetFolder();
    EXPECT_EQ(dialog.row(0).presetItems(5), (std::vector<std::string>{"None"}));
    EXPECT_EQ(dialog.row(0).presetSelection(5), 0);
    EXPECT_TRUE(dialog.modified());

    registry.deleteValue(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue);
    dialog.scanPresetFolder();
    EXPECT_EQ(boxes.lastText(), "Failed to retrieve preset path");
}

TEST_F(MappingDialogTest, RenamingMovesTheFileAndRowsFollowTheNewName) {
    writePreset("Bass.kap", PresetKind::Kap);
    writePreset("Drums.kap", PresetKind::Kap);
    writePreset("Drums.kvp", PresetKind::Kvp);
    select(writeMapping("M.kdm", {Entry(3, "ARDO1", 1, "Bass")}));
    start();

    view.names = {"Drums"};  // taken by a KAP preset: "Ok" stays disabled
    dialog.renamePreset("Bass.kap");
    EXPECT_EQ(view.prompts, (std::vector<std::string>{"Input new name for the preset",
                                                      "Preset with name 'Drums' already exists"}));
    view.names = {"Bass"};  // unchanged: a cancel
    dialog.renamePreset("Bass.kap");
    EXPECT_FALSE(dialog.modified());

    view.names = {"Groove"};
    dialog.renamePreset("Bass.kap");
    EXPECT_TRUE(std::filesystem::exists(dir.file("presets/Groove.kap")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("presets/Bass.kap")));
    EXPECT_EQ(dialog.row(0).info().presets[1], "Groove");
    EXPECT_EQ(dialog.row(0).presetItems(1), (std::vector<std::string>{"None", "Drums", "Groove"}));
    EXPECT_TRUE(dialog.modified());
    EXPECT_TRUE(boxes.shown().empty());

    // A file the list does not show is never overwritten.
    dir.write("presets/Kept.kap", {'j', 'u', 'n', 'k'});
    view.names = {"Kept"};
    dialog.renamePreset("Groove.kap");
    EXPECT_EQ(boxes.lastText(), "Failed to rename preset");
    EXPECT_EQ(dir.read("presets/Kept.kap"), (std::vector<uint8_t>{'j', 'u', 'n', 'k'}));
}

TEST_F(MappingDialogTest, DuplicatingProposesAFreeCopyNameAndWritesTheSameKind) {
    writePreset("Bass.kqp", PresetKind::Kqp);
    writePreset("Copy of Bass.kvp", PresetKind::Kvp);  // any kind blocks the proposal
    writePreset("Copy of Bass(2).kqp", PresetKind::Kqp);
    start();
    EXPECT_EQ(DuplicateNameFor(dialog.presets(), "Bass"), "Copy of Bass(3)");

    view.names = {"Copy of Bass(3)"};
    dialog.duplicatePreset("Bass.kqp");
    EXPECT_EQ(view.prompts.front(), "Input name for the new preset");
    EXPECT_EQ(PresetKindOfFile(dir.file("presets/Copy of Bass(3).kqp")), PresetKind::Kqp);
    EXPECT_NE(FindPreset(dialog.presets(), "Copy of Bass(3)", PresetKind::Kqp), nullptr);

    dir.write("presets/Broken.kqp", {'K', 'Q', 'P', '0', 1});
    dialog.scanPresetFolder();
    view.names = {"Fixed"};
    dialog.duplicatePreset("Broken.kqp");
    EXPECT_EQ(boxes.lastText(), "Failed to duplicate preset");
    EXPECT_FALSE(std::filesystem::exists(dir.file("presets/Fixed.kqp")));

    view.names = {"a/b"};
    dialog.duplicatePreset("Bass.kqp");
    EXPECT_FALSE(std::filesystem::exists(dir.file("presets/a")));
}

TEST_F(MappingDialogTest, DeletingAsksAndEditingOpensTheEditorThenRescans) {
    writePreset("Old.kvp", PresetKind::Kvp);
    start();
    dialog.deletePreset("Old.kvp");  // the box is closed: No
    EXPECT_EQ(boxes.lastText(), "Are you sure that you want to remove preset 'Old'?");
    EXPECT_TRUE(std::filesystem::exists(dir.file("presets/Old.kvp")));

    dialog.editPreset("Old.kvp");
    EXPECT_EQ(view.editorRuns.back(), dir.file("presets/Old.kvp"));
    dialog.newPreset(PresetKind::Kqp);
    EXPECT_EQ(view.editorRuns.back(), "new KQP");

    boxes.answerNext(MessageBoxAnswer::Yes);
    dialog.deletePreset("Old.kvp");
    EXPECT_FALSE(std::filesystem::exists(dir.file("presets/Old.kvp")));
    EXPECT_TRUE(dialog.presets().empty());
}

TEST_F(MappingDialogTest, NewMappingKeepsTheRowsWithEmptyEntries) {
    writePreset("Deck.kap", PresetKind::Kap);
    select(writeMapping("M.kdm", {Entry(3, "ARDO1", 1, "Deck"), Entry(3, "ARDO2")}));
    start();
    dialog.newMapping();
    EXPECT_EQ(dialog.rowCount(), 2u);
    ASSERT_EQ(dialog.entries().size(), 2u);
    EXPECT_EQ(dialog.entries()[0].presets[1], "");
    EXPECT_EQ(dialog.row(0).presetSelection(1), 0);
    EXPECT_FALSE(dialog.modified());
    EXPECT_EQ(view.title, "New Mapping - QMT MIDI Configuration");
}

TEST(RowScrollerTest, ScrollsOnlyWhenTheRowsDoNotFitAndStaysInRange) {
    RowScroller scroller;
    scroller.setUp(2, 100, 200);
    EXPECT_FALSE(scroller.enabled());
    EXPECT_FALSE(scroller.scroll(RowScroller::Action::LineDown));

    scroller.setUp(8, 100, 250);
    ASSERT_TRUE(scroller.enabled());
    EXPECT_TRUE(scroller.scroll(RowScroller::Action::LineDown));
    EXPECT_EQ(scroller.rowTop(1), 100 - 16);
    scroller.scroll(RowScroller::Action::PageDown);
    EXPECT_EQ(scroller.position(), 16 + 250);
    scroller.scroll(RowScroller::Action::Bottom);
    EXPECT_EQ(scroller.position(), 800 - 250);
    EXPECT_FALSE(scroller.scroll(RowScroller::Action::ThumbTrack, 900));
    scroller.scroll(RowScroller::Action::LineUp);
    EXPECT_EQ(scroller.position(), 800 - 250 - 16);
    scroller.setUp(1, 100, 250);  // a list that fits again starts at the top
    EXPECT_EQ(scroller.rowTop(0), 0);
}

}  // namespace
}  // namespace qmt
