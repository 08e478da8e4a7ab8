// The tray menu as Qt draws it, built from the mapping folder each time it opens, and the
// selection dialog's Cancel; offscreen, no notification area needed.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMenu>

#include "AgentFixture.h"
#include "midiagent/Autorun.h"
#include "midiagent/MidiAgent.h"
#include "midiagent/qt/QtAgentWindow.h"
#include "midiagent/qt/QtMappingSelectionView.h"
#include "platform/ProcessLauncher.h"
#include "platform/SingleInstance.h"
#include "platform/sim/SimDeviceTree.h"

namespace qmt {
namespace {

class QtAgentMenuTest : public AgentFixture, public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "qmt_midiagent_qt_tests";
        static char* argv[] = {name, nullptr};
        static QApplication application(argc, argv);
    }

    QtAgentMenuTest() {
        // Folders of the user's own, so the start leaves the mapping folder as it is.
        registry.setString(Hive::CurrentUser, kQmtMidiKey, kPresetPathValue, folder.path());
    }

    std::vector<QString> textsOf(const QMenu& menu) {
        std::vector<QString> texts;
        for (const QAction* action : menu.actions())
            texts.push_back(action->isSeparator() ? QStringLiteral("---") : action->text());
        return texts;
    }

    SingleInstance instance{MidiAgent::kInstanceName, folder.file("run")};
    AutorunEntry autorun{folder.file("autostart/qmtmidiagent.desktop")};
    SimDeviceTree tree;
    DetachedProcessLauncher launcher;  // never asked: no double click in these tests
    MidiAgent agent{AgentServices{registry, messages, view, tree, autorun, instance,
                                  [this] { ++reloads; }, launcher, folder.file("data")},
                    "/usr/bin/qmtmidiagent", ""};
};

TEST_F(QtAgentMenuTest, TheMenuIsBuiltFromTheFolderEachTimeItOpens) {
    writeMapping("Drum & Bass.kdm");
    writeMapping("Set - One.kdm");
    writeMapping("Set - Two.kdm");
    view.pick = 2;
    ASSERT_TRUE(agent.startUp());
    QtAgentWindow window(agent, instance);
    agent.startTray(window);

    emit window.menu().aboutToShow();
    EXPECT_EQ(textsOf(window.menu()),
              (std::vector<QString>{"Drum && Bass", "Set", "---", "Show editor", "Enable autorun",
                                    "Exit"}));
    QAction* set = window.menu().actions()[1];
    ASSERT_NE(set->menu(), nullptr);
    EXPECT_TRUE(set->isChecked());
    EXPECT_EQ(textsOf(*set->menu()), (std::vector<QString>{"One", "Two"}));
    EXPECT_TRUE(set->menu()->actions()[1]->isChecked());
    EXPECT_FALSE(set->menu()->actions()[0]->isChecked());
    EXPECT_EQ(window.menu().defaultAction(), window.menu().actions()[3]);

    // Choosing an item selects its mapping; the next opening shows the new state.
    set->menu()->actions()[0]->trigger();
    EXPECT_EQ(selected(), mappingFolder + "/Set - One.kdm");
    writeMapping("Club.kdm");
    emit window.menu().aboutToShow();
    EXPECT_EQ(window.menu().actions().size(), 7);
    EXPECT_EQ(window.menu().actions()[0]->text(), "Club");
    EXPECT_TRUE(window.menu().actions()[2]->menu()->actions()[0]->isChecked());
    EXPECT_EQ(window.menu().findChildren<QMenu*>().size(), 1);

    window.menu().actions()[5]->trigger();  // Enable autorun
    EXPECT_TRUE(autorun.IsAutorunEnabled());
}

TEST_F(QtAgentMenuTest, CancellingTheSelectionDialogChoosesTheFirstMapping) {
    MappingSelectionDialog dialog({"a", "b", "c"});
    std::unique_ptr<QDialog> window(QtMappingSelectionView::create(dialog));
    auto* list = window->findChild<QComboBox*>(QStringLiteral("mappings"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(window->windowTitle(), "QMT MIDI Agent");
    list->setCurrentIndex(2);
    EXPECT_EQ(dialog.currentIndex(), 2);
    window->reject();
    EXPECT_EQ(dialog.result(), "a");
    EXPECT_EQ(list->currentIndex(), 0);
}

}  // namespace
}  // namespace qmt
