#include "asiopanel/ControlPanel.h"

#include <gtest/gtest.h>

#include "asio/AsioBrandAbs.h"
#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "devices/QmtArdoDeviceModel.h"
#include "devices/QmtKv5DeviceModel.h"
#include "platform/sim/ScriptedMessageBox.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimSoundCardModels.h"
#include "tests/asiopanel/FakePanelView.h"
#include "tests/asiopanel/PanelTestWorld.h"

namespace qmt {
namespace {

using Texts = std::vector<std::string>;

// The maker's brand with the panel's two optional behaviours switched on: absent devices
// listed with a removal mark, and every configuration listed with a Status column.
constexpr AsioBrandTable RemovingTable() {
    AsioBrandTable t = QmtAsioBrand::kTable;
    t.canRemoveAbsentDevices = true;
    t.listsAllConfigurations = true;
    return t;
}
constexpr AsioBrandTable kRemovingTable = RemovingTable();  // the brand keeps a reference

class RemovingBrand final : public AsioBrandAbs {
  public:
    RemovingBrand() : AsioBrandAbs(kRemovingTable) {}
    const AsioBufferSizeModelIf& getBufferSizeModel() const override { return sizes_; }
    void getChannelName(char*, size_t, int32_t, bool) const override {}
    const AsioChannelAssignerIf& getChannelAssigner() const override { return assigner_; }
    const char* getAboutText() const override { return "about"; }
    std::vector<std::unique_ptr<DeviceModelIf>> createDeviceModels(
        DeviceEnumeratorIf& devices) const override {
        std::vector<std::unique_ptr<DeviceModelIf>> models;
        models.push_back(std::make_unique<QmtKv5DeviceModel>(devices));
        models.push_back(std::make_unique<QmtArdoDeviceModel>(devices));
        return models;
    }

  private:
    QmtAsioBufferSizeModel sizes_;
    QmtAsioChannelAssigner assigner_;
};

// The registry's polling thread stays in its first wait (time stands still): every
// enumeration is the test's own call, and posted device events run when the test says.
class ControlPanelTest : public PanelTestWorld, public ::testing::Test {
  protected:
    void TearDown() override {
        panel.reset();
        registry.reset();
    }

    void open(const AsioBrandIf& b) {
        brand = &b;
        registry = makeRegistry(b);
        ASSERT_TRUE(registry->initialize());
        bufferSize = AsioBufferSizeSetting::load(settings, b);
        panel = std::make_unique<ControlPanel>(ControlPanel::Services{
            *registry, b, bufferSize, settings, messages, [this] { ++signals; }});
        panel->initialize(view, true);
    }

    // Plugging and unplugging reach the panel through the registry's next pass.
    void rescan() {
        registry->enumerateDevices();
        panel->processDeviceEvents();
    }

    void storeDevice(const std::string& name, const std::string& serial, uint32_t type) {
        const std::string key = brand_key + "\\" + name;
        settings.setString(Hive::CurrentUser, key, "SerialNumber", serial);
        settings.setDword(Hive::CurrentUser, key, "Type", type);
    }

    std::vector<uint32_t> keys() const {
        std::vector<uint32_t> k;
        for (size_t i = 0; i < panel->rowCount(); ++i)
            k.push_back(panel->row(i).key);
        return k;
    }

    const std::string brand_key = "Software\\QMT\\QMTASIO";
    const AsioBrandIf* brand = nullptr;
    ScriptedMessageBox messages;
    FakePanelView view;
    AsioBufferSizeSetting bufferSize;
    int signals = 0;
    std::unique_ptr<AsioDeviceRegistry> registry;
    std::unique_ptr<ControlPanel> panel;
};

TEST_F(ControlPanelTest, PresentDevicesAreListedBySerialWithTheirGroupsAndKeys) {
    QmtAsioBrand qmt;
    storeDevice("Device 0", "KV5000009", 2);  // known but absent: not listed by this brand
    tree.plugController(SimControllerModel::Kv5, u"KV5000002", 1);
    tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 2);
    open(qmt);

    ASSERT_EQ(view.columns.size(), 4u);
    EXPECT_STREQ(view.columns[0].title, "Device");
    EXPECT_STREQ(view.columns[1].title, "Ch. Group");
    // Registry order is KV5 (index 1), ARDO (index 2); the list goes by serial. The stored
    // KV5 keeps outputs 1 and 2, so the new ones get the outputs after them.
    EXPECT_EQ(view.column(0), (Texts{"ARDO (ARDO00001)", "", "", "KV5 (KV5000002)"}));
    EXPECT_EQ(view.column(1), (Texts{"Left", "Right", "Headphones", "N/A"}));
    EXPECT_EQ(view.column(2), (Texts{"Out 5", "Out 7", "Out 9", "Out 3"}));
    EXPECT_EQ(view.column(3), (Texts{"Out 6", "Out 8", "Out 10", "Out 4"}));
    EXPECT_EQ(keys(), (std::vector<uint32_t>{2 * 64 + 0, 2 * 64 + 1, 2 * 64 + 2, 1 * 64}));
    // Two controllers the settings do not know yet: Apply is offered to store them.
    EXPECT_EQ(panel->modifiedState(), ControlPanel::kNewDevice);
    EXPECT_TRUE(view.applyEnabled);
    EXPECT_EQ(view.bufferText, "ASIO Buffer length = 6 ms");
    EXPECT_EQ(view.trackbarMaximum, 39u);
    EXPECT_EQ(view.tickSpacing, 10u);
}

TEST_F(ControlPanelTest, DropDownsRouteTheSelectedGroupAndShowDisabled) {
    QmtAsioBrand qmt;
    tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 1);
    open(qmt);
    panel->apply();  // stores the ARDO: nothing left to apply
    ASSERT_EQ(panel->modifiedState(), ControlPanel::kNothingToApply);

    panel->selectRow(1);  // "Right": hardware channels 2 and 3 on outputs 2 and 3
    EXPECT_TRUE(view.dropDowns.shown);
    EXPECT_EQ(view.dropDowns.pair, PanelDropDowns::Output);
    EXPECT_EQ(view.dropDowns.left, 3);
    EXPECT_EQ(view.dropDowns.right, 4);

    panel->chooseDropDownItem(PanelSide::Left, 0);
    panel->chooseDropDownItem(PanelSide::Right, 16);
    const AsioDeviceConfigurationIf& config =
        *registry->getAsioDevice(0)->getSelectedConfiguration();
    EXPECT_EQ(config.getOutputChannel(2), kAsioChannelDisabled);
    EXPECT_EQ(config.getOutputChannel(3), 15);
    EXPECT_EQ(view.rows[1], (Texts{"", "Right", "Disabled", "Out 16"}));
    EXPECT_EQ(panel->modifiedState(), ControlPanel::kChangedByUser);
    EXPECT_TRUE(view.applyEnabled);

    panel->selectRow(-1);
    EXPECT_FALSE(view.dropDowns.shown);
    panel->chooseDropDownItem(PanelSide::Left, 5);  // no row selected: nothing stored
    EXPECT_EQ(config.getOutputChannel(0), 0);
}

TEST_F(ControlPanelTest, ApplyStoresAndSignalsOnlyWhenSomethingChanged) {
    QmtAsioBrand qmt;
    tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    open(qmt);
    panel->apply();
    EXPECT_EQ(signals, 1);
    std::string serial;
    EXPECT_TRUE(
        settings.queryString(Hive::CurrentUser, brand_key + "\\Device 0", "SerialNumber", serial));
    EXPECT_FALSE(view.applyEnabled);

    // The trackbar moved away and back still counts as a change.
    panel->moveTrackbar(9);
    EXPECT_EQ(view.bufferText, "ASIO Buffer length = 10 ms");
    panel->moveTrackbar(5);
    EXPECT_TRUE(view.applyEnabled);
    panel->moveTrackbar(7);
    panel->ok();
    EXPECT_EQ(view.result, ControlPanel::kChangedByUser);
    panel->finish(view.result);
    uint32_t stored = 0;
    ASSERT_TRUE(settings.queryDword(Hive::CurrentUser, brand_key, "Buffer Size", stored));
    EXPECT_EQ(stored, 7u);
    EXPECT_EQ(signals, 2);

    // OK with nothing changed applies nothing.
    panel->ok();
    EXPECT_EQ(view.result, 0);
    panel->finish(view.result);
    EXPECT_EQ(signals, 2);
}

TEST_F(ControlPanelTest, CancelRollsBackRoutingAndBufferSize) {
    QmtAsioBrand qmt;
    tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    open(qmt);
    panel->apply();
    panel->selectRow(0);
    panel->chooseDropDownItem(PanelSide::Left, 9);
    panel->moveTrackbar(20);
    panel->cancel();
    EXPECT_EQ(view.result, 0);
    panel->finish(view.result);
    EXPECT_EQ(registry->getAsioDevice(0)->getSelectedConfiguration()->getOutputChannel(0), 0);
    EXPECT_EQ(bufferSize.index, 5u);
    EXPECT_EQ(signals, 1);
}

TEST_F(ControlPanelTest, ControllersComingAndGoingMoveRowsAndKeepTheSelection) {
    QmtAsioBrand qmt;
    tree.plugController(SimControllerModel::Kv5, u"KV5000005", 1);
    const int ardo = tree.plugController(SimControllerModel::Ardo, u"ARDO00009", 2);
    open(qmt);
    panel->apply();
    panel->selectRow(3);  // the KV5, after the ARDO's three groups
    ASSERT_EQ(view.rows[3][0], "KV5 (KV5000005)");

    const int postsBefore = view.posts;
    tree.unplugController(ardo);
    registry->enumerateDevices();
    EXPECT_GT(view.posts, postsBefore) << "the registry's notice goes to the window's thread";
    EXPECT_EQ(view.rows.size(), 4u) << "nothing changes before the window's thread runs";
    panel->processDeviceEvents();
    EXPECT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(panel->modifiedState(), ControlPanel::kNothingToApply);

    // A new controller sorts before the KV5: the selection moves with the KV5's row.
    tree.plugController(SimControllerModel::Kv5, u"KV5000001", 3);
    rescan();
    EXPECT_EQ(view.column(0), (Texts{"KV5 (KV5000001)", "KV5 (KV5000005)"}));
    EXPECT_EQ(panel->selectedRow(), 1);
    EXPECT_EQ(view.selected, 1);
    EXPECT_EQ(view.dropDowns.row, 1u);
    EXPECT_EQ(panel->modifiedState(), ControlPanel::kNewDevice);
    // The unplugged ARDO keeps index 1; the new KV5 is device 2.
    EXPECT_EQ(keys(), (std::vector<uint32_t>{2 * 64, 0}));
}

TEST_F(ControlPanelTest, Krt4ShowsItsModeAndCaptureGroups) {
    BrxAsioBrand brx;
    const int four = tree.plugController(SimControllerModel::Krt4, u"KRT400002", 2);
    cards.card(four)->setProfile(SimKrt4SoundCardProfile(SimKrt4Mode::FourOutFourIn));
    tree.plugController(SimControllerModel::Krt4, u"KRT400001", 1);
    open(brx);
    ASSERT_EQ(view.columns.size(), 5u);
    EXPECT_STREQ(view.columns[1].title, "Mode");
    EXPECT_EQ(view.column(1), (Texts{"8 in - 2 out", "", "", "", "", "4 in - 4 out", "", "", ""}));
    EXPECT_EQ(view.column(2)[4], "Master rec");
    EXPECT_EQ(view.rows[4][3], "In 1");
    EXPECT_EQ(view.rows[4][4], "In 2");
    EXPECT_EQ(view.rows[8], (Texts{"", "", "Midilog3 rec", "In 3", "In 4"}));

    panel->selectRow(4);
    EXPECT_EQ(view.dropDowns.pair, PanelDropDowns::Input);
    panel->chooseDropDownItem(PanelSide::Right, 0);
    auto* eight = static_cast<AsioDeviceInfo*>(registry->getDeviceWithSerialNumber("KRT400001"));
    EXPECT_EQ(eight->getSelectedConfiguration()->getInputChannel(1), kAsioChannelDisabled);
}

TEST_F(ControlPanelTest, AbsentDevicesCanBeRemovedWhereTheBrandAllowsIt) {
    RemovingBrand removing;
    storeDevice("Device 0", "KV5000001", 2);
    storeDevice("Device 1", "KV5000002", 2);
    tree.plugController(SimControllerModel::Ardo, u"ARDO00003", 1);
    open(removing);
    ASSERT_EQ(view.columns.size(), 5u);
    EXPECT_STREQ(view.columns[1].title, "Status");
    EXPECT_EQ(view.column(1), (Texts{"Connected", "", "", "Disconnected", "Disconnected"}));
    EXPECT_EQ(keys(), (std::vector<uint32_t>{128, 129, 130, 0, 64}));
    panel->apply();

    panel->clickRemovalMark(0);  // present: not offered
    panel->clickRemovalMark(3);  // answered No
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].caption, "Device removal");
    EXPECT_EQ(view.rows.size(), 5u);

    messages.answerNext(MessageBoxAnswer::Yes);
    panel->clickRemovalMark(3);
    EXPECT_EQ(view.column(0), (Texts{"ARDO (ARDO00003)", "", "", "KV5 (KV5000002)"}));
    // Later devices moved up one index: their keys dropped by 64.
    EXPECT_EQ(keys(), (std::vector<uint32_t>{64, 65, 66, 0}));
    EXPECT_EQ(panel->modifiedState(), ControlPanel::kChangedByUser);
    panel->apply();
    EXPECT_FALSE(settings.keyExists(Hive::CurrentUser, brand_key + "\\Device 2"));
}

TEST_F(ControlPanelTest, LogoShowsTheAboutTextAndNoArtworkMeansNoRows) {
    QmtAsioBrand qmt;
    tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    brand = &qmt;
    registry = makeRegistry(qmt);
    ASSERT_TRUE(registry->initialize());
    panel = std::make_unique<ControlPanel>(ControlPanel::Services{
        *registry, qmt, bufferSize, settings, messages, [this] { ++signals; }});
    panel->initialize(view, false);
    EXPECT_TRUE(view.rows.empty());
    panel->clickLogo();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].caption, "About");
    EXPECT_EQ(messages.shown()[0].text, qmt.getAboutText());
}

}  // namespace
}  // namespace qmt
