// Device events reach the main window from the registry's enumerating thread while the
// user-interface thread handles the ones already queued.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "MappingRig.h"

namespace qmt {
namespace {

TEST(MappingDialogThreadTest, EventsFromAnotherThreadArriveInOrderOnTheUserInterfaceThread) {
    test::MappingRig rig;
    rig.start();
    std::atomic<bool> done{false};
    std::thread enumerating([&] {
        int ardo = rig.tree.plugController(SimControllerModel::Ardo, u"ARDO1", 1);
        for (int i = 0; i < 200; ++i) {
            rig.devices.enumerateDevices();
            if (i % 2 == 0)
                rig.tree.unplugController(ardo);
            else
                ardo = rig.tree.plugController(SimControllerModel::Ardo, u"ARDO1", 1);
        }
        rig.tree.unplugController(ardo);
        rig.devices.enumerateDevices();  // last seen unplugged
        done = true;
    });
    while (!done)
        rig.dialog.drainDeviceEvents();
    enumerating.join();
    rig.dialog.drainDeviceEvents();

    EXPECT_GT(rig.view.pending, 0);
    ASSERT_EQ(rig.dialog.rowCount(), 1u);
    EXPECT_EQ(rig.dialog.row(0).serial(), "ARDO1");
    EXPECT_FALSE(rig.dialog.row(0).connected());
    EXPECT_TRUE(rig.dialog.row(0).canRemove());
}

}  // namespace
}  // namespace qmt
