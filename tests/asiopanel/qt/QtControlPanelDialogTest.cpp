// The panel's window as Qt draws it, offscreen: the list mirrors the logic's rows, the chosen
// row's drop-downs sit over its channel cells and route the group, and the buttons and the
// trackbar reach the logic.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>

#include "asio/QmtAsioBrand.h"
#include "asiopanel/ControlPanel.h"
#include "asiopanel/qt/QtControlPanelDialog.h"
#include "tests/asiopanel/PanelTestWorld.h"

namespace qmt {
namespace {

class QtControlPanelDialogTest : public PanelTestWorld, public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "qmt_asiopanel_qt_tests";
        static char* argv[] = {name, nullptr};
        static QApplication application(argc, argv);
    }

    QtControlPanelDialogTest() {
        tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
        tree.plugController(SimControllerModel::Ardo, u"ARDO00002", 2);
        registry->initialize();
        panel = std::make_unique<ControlPanel>(ControlPanel::Services{
            *registry, brand, bufferSize, settings, dialog.messages(), [] {}});
        dialog.attach(*panel);
        panel->apply();  // both stored: nothing pending
        dialog.show();
    }

    QmtAsioBrand brand;
    std::unique_ptr<AsioDeviceRegistry> registry = makeRegistry(brand);
    AsioBufferSizeSetting bufferSize = AsioBufferSizeSetting::load(settings, brand);
    QtControlPanelDialog dialog{brand};
    std::unique_ptr<ControlPanel> panel;
};

TEST_F(QtControlPanelDialogTest, ChosenRowIsRoutedThroughTheDropDownsOverItsCells) {
    EXPECT_EQ(dialog.windowTitle(), "QMT ASIO Configuration");
    EXPECT_TRUE(dialog.artworkLoaded());
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(list->headerItem()->text(3), "Right Channel");
    EXPECT_EQ(list->topLevelItem(3)->text(0), "KV5 (KV5000001)");
    EXPECT_FALSE(dialog.applyButton()->isEnabled());

    list->topLevelItem(2)->setSelected(true);  // the ARDO's headphones: outputs 7 and 8
    QComboBox* left = dialog.dropDown(1016);
    QComboBox* right = dialog.dropDown(1017);
    ASSERT_TRUE(left->isVisible() && right->isVisible());
    EXPECT_FALSE(dialog.dropDown(1014)->isVisible());
    EXPECT_EQ(left->currentText(), "Out 7");
    EXPECT_EQ(right->count(), 17);
    const QRect cell = list->visualItemRect(list->topLevelItem(2));
    EXPECT_EQ(left->geometry().top(), cell.top());
    EXPECT_EQ(left->geometry().height(), cell.height()) << "rows are as tall as a drop-down";
    EXPECT_EQ(left->geometry().left(), list->header()->sectionViewportPosition(2));
    EXPECT_EQ(right->geometry().left(), list->header()->sectionViewportPosition(3));

    right->setCurrentIndex(0);
    EXPECT_EQ(list->topLevelItem(2)->text(3), "Disabled");
    EXPECT_TRUE(dialog.applyButton()->isEnabled());
    list->clearSelection();
    EXPECT_FALSE(left->isVisible());

    dialog.trackbar()->setValue(9);
    EXPECT_EQ(dialog.bufferLengthText()->text(), "ASIO Buffer length = 10 ms");
    dialog.reject();  // Escape or the close button
    EXPECT_EQ(dialog.result(), 0);
    panel->finish(dialog.result());
    EXPECT_EQ(registry->getAsioDevice(1)->getSelectedConfiguration()->getOutputChannel(5), 7)
        << "cancelled: the routing is as it was";
}

}  // namespace
}  // namespace qmt
