// Choosing the mapping: what is stored where, when the driver hears of it, the start-up
// check with its dialog, and the start-up pass that adds the connected controllers.

#include "midiagent/MappingSelection.h"

#include <gtest/gtest.h>

#include "AgentFixture.h"
#include "platform/sim/SimDeviceTree.h"

namespace qmt {
namespace {

class MappingSelectionTest : public AgentFixture, public ::testing::Test {};

TEST_F(MappingSelectionTest, SelectingStoresTheFullPathThenTellsTheDriver) {
    writeMapping("Club.kdm");
    ASSERT_TRUE(selection.SelectMapping("Club"));
    // The folder's trailing separator is dropped before the name is added.
    EXPECT_EQ(selected(), mappingFolder + "/Club.kdm");
    EXPECT_EQ(selection.GetSelectedMapping(), mappingFolder + "/Club.kdm");
    EXPECT_EQ(reloads, 1);

    // A file whose extension has another letter case is the file the selection names.
    writeMapping("Upper.KDM");
    ASSERT_TRUE(selection.SelectMapping("Upper"));
    EXPECT_EQ(selected(), mappingFolder + "/Upper.KDM");
}

TEST_F(MappingSelectionTest, WithoutAMappingFolderNothingIsStoredAndTheDriverIsNotTold) {
    registry.deleteValue(Hive::LocalMachine, kQmtMidiKey, kMappingPathValue);
    EXPECT_FALSE(selection.SelectMapping("Club"));
    EXPECT_EQ(selected(), "");
    EXPECT_EQ(reloads, 0);
    // Reading the list says why the menu has no mappings.
    EXPECT_TRUE(selection.ReadMappingList().empty());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].caption, "Error");
    EXPECT_EQ(messages.shown()[0].text, "Failed to retrieve mapping path");
    EXPECT_EQ(messages.shown()[0].icon, MessageBoxIcon::Warning);
}

TEST_F(MappingSelectionTest, TheUsersOwnMappingFolderComesFirst) {
    const std::string own = folder.file("own");
    std::filesystem::create_directories(own);
    registry.setString(Hive::CurrentUser, kQmtMidiKey, kMappingPathValue, own);
    ASSERT_TRUE(selection.SelectMapping("Club"));
    EXPECT_EQ(selected(), own + "/Club.kdm");
}

TEST_F(MappingSelectionTest, TheVersionFiveSwitchKeepsTheSelectionMachineWide) {
    selection.setSelectionInMachineHive(true);
    ASSERT_TRUE(selection.SelectMapping("Club"));
    std::string machine;
    ASSERT_TRUE(
        registry.queryString(Hive::LocalMachine, kQmtMidiKey, kSelectedMappingValue, machine));
    EXPECT_EQ(machine, mappingFolder + "/Club.kdm");
    EXPECT_EQ(selected(), "");
    EXPECT_EQ(selection.GetSelectedMapping(), machine);
}

TEST_F(MappingSelectionTest, StartUpKeepsAnExistingSelectionElseTakesTheDefault) {
    writeMapping("Club.kdm");
    writeMapping("TraktorPro 1.2 - Single Controller.kdm");
    registry.setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue,
                       mappingFolder + "/Club.kdm");
    selection.EnsureMappingSelected(view);
    EXPECT_EQ(selected(), mappingFolder + "/Club.kdm");
    EXPECT_EQ(reloads, 0);

    // A selection whose file is gone counts as none.
    std::filesystem::remove(mappingFolder + "/Club.kdm");
    selection.EnsureMappingSelected(view);
    EXPECT_EQ(selected(), mappingFolder + "/TraktorPro 1.2 - Single Controller.kdm");
    EXPECT_EQ(view.runs, 0);
}

TEST_F(MappingSelectionTest, DialogOkSelectsTheShownItemAndCancelTheFirst) {
    writeMapping("b.kdm");
    writeMapping("a.kdm");
    view.pick = 1;
    selection.EnsureMappingSelected(view);
    EXPECT_EQ(view.offered, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(selected(), mappingFolder + "/b.kdm");

    std::filesystem::remove(mappingFolder + "/b.kdm");
    writeMapping("c.kdm");
    view.ok = false;
    selection.EnsureMappingSelected(view);
    EXPECT_EQ(selected(), mappingFolder + "/a.kdm");
    EXPECT_EQ(view.runs, 2);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MappingSelectionTest, DialogWithoutMappingsSelectsNothing) {
    for (const bool ok : {true, false}) {
        view.ok = ok;
        selection.EnsureMappingSelected(view);
        EXPECT_TRUE(view.offered.empty());
        EXPECT_EQ(selected(), "");
    }
    EXPECT_EQ(reloads, 0);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(MappingSelectionTest, AFailedStoreInTheDialogIsReported) {
    writeMapping("a.kdm");
    // A folder in place of the user hive's file: nothing can be stored.
    std::filesystem::create_directories(folder.file("user.reg"));
    selection.EnsureMappingSelected(view);
    EXPECT_EQ(messages.lastText(), "Failed to select mapping");
    EXPECT_EQ(reloads, 0);
}

TEST_F(MappingSelectionTest, ConnectedControllersGetEntriesInTheSelectedMapping) {
    // An entry already naming the KV5, a free ARDO entry and a free KV entry.
    const std::string path = writeMapping("Club.kdm", {{"KV5-0001", 2}, {"", 3}, {"", 1}});
    registry.setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, path);
    SimDeviceTree tree;
    tree.plugController(SimControllerModel::Kv5, u"KV5-0001", 1);
    tree.plugController(SimControllerModel::Ardo, u"ARDO-0003", 2);
    tree.plugController(SimControllerModel::Ardo, u"ARDO-0002", 3);
    tree.plugController(SimControllerModel::Krt4, u"KRT4-0001", 4);  // not a MIDI model
    selection.UpdateMappingWithControllers(tree);

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes, nullptr));
    const MappingPtr mapping = ParseMapping(bytes);
    ASSERT_TRUE(mapping);
    ASSERT_EQ(mapping->entries.size(), 4u);
    EXPECT_EQ(mapping->entries[0].name, "KV5-0001");
    // The lower serial comes first and fills the free ARDO entry; the KV entry is of
    // another class, so the second ARDO gets a new entry of its own type.
    EXPECT_EQ(mapping->entries[1].name, "ARDO-0002");
    EXPECT_EQ(mapping->entries[2].name, "");
    EXPECT_EQ(mapping->entries[3].name, "ARDO-0003");
    EXPECT_EQ(mapping->entries[3].type, 3u);
    EXPECT_FALSE(mapping->entries[3].slotUsed[1]);
}

TEST_F(MappingSelectionTest, AMappingThatNeedsNoEntryIsNotRewritten) {
    const std::string path = writeMapping("Club.kdm", {{"", 0}});
    registry.setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, path);
    // An older version's file stays as it is when nothing changes.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(path, bytes, nullptr));
    bytes[3] = '1';
    bytes.back() = static_cast<uint8_t>(bytes.back() - 1);
    SaveFileAtomically(path, bytes);
    SimDeviceTree tree;
    selection.UpdateMappingWithControllers(tree);
    std::vector<uint8_t> after;
    ASSERT_TRUE(ReadWholeFile(path, after, nullptr));
    EXPECT_EQ(after, bytes);
}

}  // namespace
}  // namespace qmt
