// The main window's Qt views under the offscreen platform: rows, the preset list and its
// menu, and the name dialog show the logic's state and hand the user's input to it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "MappingRig.h"
#include "midiconfig/qt/DeviceConfigControlView.h"
#include "midiconfig/qt/MappingDialogWindow.h"
#include "midiconfig/qt/PresetNameDialogView.h"

namespace qmt {
namespace {

using Column = DeviceConfigControl::Column;

class MappingWindowTest : public testing::Test {
  protected:
    void open() {
        window = std::make_unique<MappingDialogWindow>(
            rig.dialog, [this](QWidget*, const std::string* path, PresetKind) {
                edited.push_back(path ? *path : "new");
            });
        window->start();
        window->show();
    }
    std::vector<QString> enabledEntries(QMenu* menu) {
        std::vector<QString> texts;
        for (QAction* action : menu->actions())
            if (action->isEnabled() && !action->isSeparator()) texts.push_back(action->text());
        return texts;
    }

    test::MappingRig rig;
    std::unique_ptr<MappingDialogWindow> window;
    std::vector<std::string> edited;
};

TEST_F(MappingWindowTest, RowsShowTheirModelsListsAndConnection) {
    rig.writePreset("Deck A.kap", PresetKind::Kap);
    rig.writePreset("Club.kvp", PresetKind::Kvp);
    rig.tree.plugController(SimControllerModel::Ardo, u"ARDO1", 1);
    rig.tree.plugController(SimControllerModel::Kv10, u"KV10-1", 2);
    rig.devices.enumerateDevices();
    open();

    ASSERT_EQ(rig.dialog.rowCount(), 2u);
    DeviceConfigControlView* ardo = window->rowView(rig.dialog.row(0));
    DeviceConfigControlView* kv10 = window->rowView(rig.dialog.row(1));
    ASSERT_TRUE(ardo && kv10);
    EXPECT_EQ(ardo->modelLabel()->text(), "ARDO");
    EXPECT_FALSE(ardo->connectedLabel()->isHidden());
    EXPECT_EQ(ardo->presetLabel(Column::Left)->text(), "Preset (Orange)");
    EXPECT_EQ(ardo->presetCombo(Column::Right)->count(), 2);
    EXPECT_EQ(ardo->presetCombo(Column::Right)->itemText(1), "Deck A");
    EXPECT_EQ(ardo->channelCombo(Column::Left)->count(), 17);
    EXPECT_TRUE(kv10->presetCombo(Column::Left)->isHidden());
    EXPECT_EQ(kv10->presetLabel(Column::Right)->text(), "Preset");
    EXPECT_EQ(kv10->y(), ardo->y() + ardo->height());
    EXPECT_FALSE(window->scrollBar()->isEnabled());

    // The user's choice goes to the row, and from there into the saved mapping.
    ardo->presetCombo(Column::Right)->activated(1);
    EXPECT_EQ(rig.dialog.row(0).info().presets[2], "Deck A");
    EXPECT_EQ(window->windowTitle(), "New Mapping - QMT MIDI Configuration");
}

TEST_F(MappingWindowTest, ManyRowsScrollByLines) {
    for (int i = 0; i < 6; ++i)
        rig.tree.plugController(SimControllerModel::Kv5, u"KV5-" + std::u16string(1, u'A' + i),
                                i + 1);
    rig.devices.enumerateDevices();
    open();
    QScrollBar* bar = window->scrollBar();
    ASSERT_TRUE(bar->isEnabled());
    DeviceConfigControlView* first = window->rowView(rig.dialog.row(0));
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(first->y(), -RowScroller::kLineStep);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(window->rowView(rig.dialog.row(5))->geometry().bottom() + 1,
              window->devicePanel()->height());
}

TEST_F(MappingWindowTest, PresetListSortsByNameAndItsMenuNeedsAnItem) {
    rig.writePreset("beta.kap", PresetKind::Kap);
    rig.writePreset("Alpha.kqp", PresetKind::Kqp);
    rig.writePreset("Gamma.kvp", PresetKind::Kvp);
    open();
    PresetListView* list = window->presetList();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Alpha");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "Ardo Raw");
    EXPECT_EQ(list->topLevelItem(1)->text(0), "beta");

    std::unique_ptr<QMenu> none(window->presetMenu(nullptr));
    EXPECT_EQ(enabledEntries(none.get()), std::vector<QString>{"&New..."});
    std::unique_ptr<QMenu> menu(window->presetMenu(list->topLevelItem(2)));
    EXPECT_EQ(enabledEntries(menu.get()).size(), 5u);
    menu->actions().front()->trigger();  // "&Edit..."
    EXPECT_EQ(edited, std::vector<std::string>{rig.dir.file("presets/Gamma.kvp")});
    list->itemDoubleClicked(list->topLevelItem(0), 0);
    EXPECT_EQ(edited.back(), rig.dir.file("presets/Alpha.kqp"));
}

TEST_F(MappingWindowTest, NameDialogEnablesOkForFreeNamesOnly) {
    rig.writePreset("Bass.kap", PresetKind::Kap);
    rig.writePreset("Lead.kap", PresetKind::Kap);
    open();
    PresetNameDialog logic(PresetNameDialog::Purpose::Rename, rig.dialog.presets(),
                           rig.dialog.presets()[0], "Bass");
    PresetNameDialogView view(logic);
    EXPECT_EQ(view.windowTitle(), "Rename preset");
    EXPECT_TRUE(view.okButton()->isEnabled());
    view.edit()->setText("Lead");
    EXPECT_FALSE(view.okButton()->isEnabled());
    EXPECT_EQ(view.prompt()->text(), "Preset with name 'Lead' already exists");
    view.edit()->setText("");
    EXPECT_FALSE(view.okButton()->isEnabled());
    view.edit()->setText("Bass 2");
    EXPECT_TRUE(view.okButton()->isEnabled());
    EXPECT_EQ(logic.text(), "Bass 2");
}

TEST_F(MappingWindowTest, EscapeEndsTheWindowOnlyThroughTheDialog) {
    open();
    ASSERT_TRUE(window->isVisible());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);  // ended by the dialog, not rejected by Qt
}

TEST_F(MappingWindowTest, HelpThatIsNotInstalledIsSaidNotSilentlySkipped) {
    open();
    QString said;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said = box->text();
            box->accept();
        }
    });
    window->openHelp("no-such-guide.pdf");
    EXPECT_TRUE(said.contains("no-such-guide.pdf")) << said.toStdString();
}

}  // namespace
}  // namespace qmt
