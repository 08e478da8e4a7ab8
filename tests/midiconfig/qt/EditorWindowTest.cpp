// The editor's Qt views under the offscreen platform: they lay out as the templates say, show
// the logic's state and hand the user's input to it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "EditorRig.h"
#include "devices/DeviceRegistry.h"
#include "devices/MidiDeviceModels.h"
#include "midiconfig/SimulatedTouch.h"
#include "midiconfig/qt/ActionControlView.h"
#include "midiconfig/qt/PresetEditorWindow.h"
#include "model/Catalogue.h"
#include "model/ControlId.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimHidBus.h"
#include "presets/FactoryPresets.h"

namespace qmt {
namespace {

class EditorWindowTest : public testing::Test {
  protected:
    void open(PresetKind kind) {
        rig.editor.openNew(kind);
        window = std::make_unique<PresetEditorWindow>(rig.editor);
        rig.editor.initialize(*window);
        window->show();
    }
    QComboBox* combo(int half, HalfField field) {
        return qobject_cast<QComboBox*>(window->panelView()->field(half, field));
    }

    test::EditorRig rig;
    std::unique_ptr<PresetEditorWindow> window;
};

TEST_F(EditorWindowTest, WindowAndPanelFollowTheTemplatesInDialogUnits) {
    open(PresetKind::Kvp);
    const DialogUnits units(DialogUnits::dialogFont());
    EXPECT_EQ(window->pictureArea()->geometry(), units.rect(15, 20, 293, 292));
    EXPECT_EQ(window->addButton()->geometry(), units.rect(501, 254, 34, 15));
    EXPECT_EQ(window->panelView()->size(), QSize(units.x(238), units.y(215)));
    EXPECT_EQ(window->panelView()->group(1)->geometry(), units.rect(122, 57, 113, 153));
    // The ARDO pictures (437 × 472) fit the picture area with the substituted dialog font.
    EXPECT_GE(window->pictureArea()->width(), 437);
    EXPECT_GE(window->pictureArea()->height(), 472);

    QStringList menus;
    for (QAction* action : window->menus()->actions())
        menus << action->text();
    EXPECT_EQ(menus, QStringList{"&File"});
    QStringList file;
    for (QAction* action : window->menus()->actions()[0]->menu()->actions())
        file << action->text();
    EXPECT_EQ(file, (QStringList{"&New...", "&Load preset", "&Save preset", "Save preset &as", "",
                                 "E&xit"}));
}

TEST_F(EditorWindowTest, TabsAndPanelShowTheEditor) {
    open(PresetKind::Kvp);
    EXPECT_EQ(window->windowTitle(), "New Preset - Preset Editor");
    ASSERT_EQ(window->tabBar()->count(), 1);
    EXPECT_EQ(window->tabBar()->tabText(0), "Eject");
    QTest::mouseClick(window->addButton(), Qt::LeftButton);
    EXPECT_EQ(window->tabBar()->count(), 2);
    EXPECT_EQ(window->tabBar()->currentIndex(), 1);

    rig.editor.selectControl(kControlWheel);
    EXPECT_EQ(window->tabBar()->tabText(0), "Wheel");
    EXPECT_EQ(window->panelView()->group(0)->title(), "Rotate Clockwise");
    EXPECT_TRUE(window->panelView()->invertedBox()->isVisibleTo(window.get()));
    EXPECT_FALSE(window->panelView()->intervalCombo()->isVisibleTo(window.get()));
    combo(0, HalfField::Kind)->activated(kMsgControlChange);
    EXPECT_EQ(rig.editor.panel().workingCopy().messages[0].kind, kMsgControlChange);
    EXPECT_TRUE(combo(0, HalfField::Encoding)->isVisibleTo(window.get()));
    EXPECT_FALSE(combo(0, HalfField::Value)->isVisibleTo(window.get()));
    EXPECT_EQ(window->panelView()->label(0, HalfLabel::Row1Left)->text(), "Controller");
    EXPECT_EQ(combo(0, HalfField::Percent)->currentText(), "100%");
}

TEST_F(EditorWindowTest, TypedNumbersReachTheWorkingCopyAndAreRewrittenOnLeaving) {
    open(PresetKind::Kvp);
    rig.editor.panel().choose(0, HalfField::Kind, kMsgPitchWheel);
    QComboBox* value = combo(0, HalfField::PitchValue);
    ASSERT_TRUE(value->isVisibleTo(window.get()));
    value->lineEdit()->setFocus();
    value->lineEdit()->selectAll();
    QTest::keyClicks(value->lineEdit(), "20000");
    EXPECT_EQ(rig.editor.panel().workingCopy().messages[0].pitchValue, 16383);
    EXPECT_EQ(value->currentText(), "20000");
    QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(value->lineEdit(), &leaving);
    EXPECT_EQ(value->currentText(), "16383");
}

// What is edited in the window and saved through the menu is exactly what the file holds
// when it is read again: the edit and nothing else.
TEST_F(EditorWindowTest, EditedPresetSavesThroughTheMenuAndReadsBackIdentically) {
    constexpr uint8_t kCue = 21;
    PresetDocument original(PresetKind::Kap);
    for (FactoryPreset& factory : FactoryPresets())
        if (factory.preset.kind == PresetKind::Kap) original.preset() = factory.preset;
    ASSERT_FALSE(original.preset().lists[kCue].empty());
    const std::string path = rig.writePreset("ardo.kap", original);
    ASSERT_TRUE(rig.editor.openFile(path));
    window = std::make_unique<PresetEditorWindow>(rig.editor);
    rig.editor.initialize(*window);
    rig.editor.selectControl(kCue);
    const uint8_t note = original.preset().lists[kCue][0].messages[0].number;
    combo(0, HalfField::Note)->activated(note + 1);
    QAction* save = nullptr;
    for (QAction* action : window->menus()->actions()[0]->menu()->actions())
        if (action->text() == "&Save preset") save = action;
    ASSERT_TRUE(save);
    save->trigger();
    EXPECT_FALSE(rig.editor.modified());

    original.preset().lists[kCue][0].messages[0].number = note + 1;
    std::vector<uint8_t> expected;
    ASSERT_TRUE(original.serialize(expected));
    EXPECT_EQ(rig.dir.read("ardo.kap"), expected);
}

// A point of the picture area where the picture shows `control`.
QPoint PointOf(PresetEditor& editor, const QWidget* area, uint8_t control) {
    for (int y = 0; y < area->height(); y += 2)
        for (int x = 0; x < area->width(); x += 2) {
            uint8_t hit = kNoControl;
            if (editor.picture().hitTest(x, y, area->width(), area->height(), hit) &&
                hit == control)
                return {x, y};
        }
    return {-1, -1};
}

TEST_F(EditorWindowTest, PictureHoversAndSelectsTheControlUnderTheMouse) {
    open(PresetKind::Kvp);
    QWidget* area = window->pictureArea();
    const QPoint play = PointOf(rig.editor, area, kControlPlay);
    ASSERT_GE(play.x(), 0);
    QTest::mouseMove(area, play);
    EXPECT_EQ(rig.editor.hoveredControl(), kControlPlay);
    QTest::mouseClick(area, Qt::LeftButton, {}, play);
    EXPECT_EQ(window->tabBar()->tabText(0), "Play");
    // The picture shows it: the painted area differs from the base picture there.
    const QImage selected = area->grab().toImage();
    QTest::mouseClick(area, Qt::LeftButton, {}, PointOf(rig.editor, area, kControlEject));
    EXPECT_EQ(window->tabBar()->tabText(0), "Eject");
    EXPECT_NE(area->grab().toImage().pixel(play), selected.pixel(play));
}

// Touching a control on a connected controller selects it in the window: the poller's
// thread reads the report and the selection arrives on the window's thread.
TEST_F(EditorWindowTest, ControlTouchedOnTheControllerIsSelected) {
    SimDeviceTree tree;
    const int kv10 = tree.plugController(SimControllerModel::Kv10, u"KV10-A", 1);
    SimHidBus bus;
    std::shared_ptr<SimController> device = bus.Plug(tree.hidInterfacePath(kv10), "KV10-A");
    DeviceRegistry devices(tree, MidiDeviceModels(tree));
    devices.enumerateDevices();
    ManualClock clock(int64_t{5000} * 10'000);
    PresetEditor editor({rig.registry, rig.boxes, [] {}, &devices, &bus, &clock});
    editor.openNew(PresetKind::Kvp);
    PresetEditorWindow live(editor);
    editor.initialize(live);
    ASSERT_TRUE(editor.liveInputRunning());
    ASSERT_TRUE(device->WaitForBlockedRead(10000));

    TouchReports reports;
    ASSERT_TRUE(SimulatedTouch(kModelKv10, kControlPlay, reports));
    device->Deliver(reports.rest);  // the first report is only remembered
    device->Deliver(reports.rest);
    ASSERT_TRUE(device->WaitForReads(2, 10000));
    // The next read starts once the poller has dealt with the second report.
    ASSERT_TRUE(device->WaitForBlockedRead(10000));
    clock.advanceMs(100);
    device->Deliver(reports.touched);
    EXPECT_TRUE(QTest::qWaitFor([&] { return live.tabBar()->tabText(0) == "Play"; }, 10000));
    EXPECT_EQ(editor.selectedControl(), kControlPlay);
    QTest::keyClick(&live, Qt::Key_Escape);  // stops the poller before the bus goes
    EXPECT_FALSE(editor.liveInputRunning());
}

TEST_F(EditorWindowTest, EscapeEndsTheWindowAndReleasesTheEditor) {
    open(PresetKind::Kap);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(rig.editor.hasPreset());
    EXPECT_TRUE(rig.boxes.shown().empty());
}

}  // namespace
}  // namespace qmt
