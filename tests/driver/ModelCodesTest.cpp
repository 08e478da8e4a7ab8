// Interface paths to model codes.

#include <gtest/gtest.h>

#include <cstdio>

#include "common/AsciiCase.h"
#include "driver/ModelCodes.h"
#include "model/Catalogue.h"
#include "platform/sim/SimHidBus.h"

namespace qmt {
namespace {

TEST(ModelCodes, EveryProductIsFoundInAnyCaseAndOnlyInTheHidPart) {
    for (const ProductModel& product : ProductModels()) {
        char id[8];
        std::snprintf(id, sizeof id, "%04X", product.productId);
        const std::string path = SimHidBus::PathFor(id, "a");
        EXPECT_EQ(ModelCodeForPath(path), product.modelType) << path;
        EXPECT_EQ(ModelCodeForPath(toLowerAscii(path)), product.modelType) << path;
    }
    // The interface of a composite device, as the Linux backend names it.
    EXPECT_EQ(ModelCodeForPath("\\\\?\\HID#VID_F7E1&PID_0310&MI_02#7&1a&0&0000#{x}"),
              kModelArdoRaw);
    EXPECT_EQ(ModelCodeForPath("\\\\?\\HID#VID_046D&PID_C52B#mouse"), 0);
    EXPECT_EQ(ModelCodeForPath("\\\\?\\HID#VID_F7E1&PID_0301#x"), 0);
    // A product id outside the HID part of the path does not count.
    EXPECT_EQ(ModelCodeForPath("\\\\?\\USB#VID_F7E1&PID_0300#x"), 0);
}

TEST(ModelCodes, PathsCompareWithoutRegardToCase) {
    EXPECT_TRUE(SamePath("\\\\?\\HID#Vid_F7E1", "\\\\?\\hid#VID_f7e1"));
    EXPECT_FALSE(SamePath("\\\\?\\HID#A", "\\\\?\\HID#AB"));
}

}  // namespace
}  // namespace qmt
