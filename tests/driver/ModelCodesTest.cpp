// Interface paths to model codes.

#include <gtest/gtest.h>

#include "driver/ModelCodes.h"
#include "platform/sim/SimHidBus.h"

namespace qmt {
namespace {

TEST(ModelCodes, ProductIdsPickTheModelWithoutRegardToCase) {
    EXPECT_EQ(ModelCodeForPath(SimHidBus::PathFor("0100", "a")), 1);
    EXPECT_EQ(ModelCodeForPath(SimHidBus::PathFor("0202", "a")), 2);
    EXPECT_EQ(ModelCodeForPath(SimHidBus::PathFor("0300", "a")), 3);
    EXPECT_EQ(ModelCodeForPath(SimHidBus::PathFor("0310", "a")), 6);
    EXPECT_EQ(ModelCodeForPath("\\\\?\\hid#vid_f7e1&pid_0310&mi_02#x"), 6);
    EXPECT_EQ(ModelCodeForPath("\\\\?\\HID#VID_046D&PID_C52B#mouse"), 0);
    // A product id outside the HID part of the path does not count.
    EXPECT_EQ(ModelCodeForPath("\\\\?\\USB#VID_F7E1&PID_0300#x"), 0);
    EXPECT_TRUE(SamePath("\\\\?\\HID#Vid_F7E1", "\\\\?\\hid#VID_f7e1"));
    EXPECT_FALSE(SamePath("\\\\?\\HID#A", "\\\\?\\HID#AB"));
}

}  // namespace
}  // namespace qmt
