// The hot-plug schedule a simulated desktop follows in real time.

#include "platform/sim/SimHotplugSchedule.h"

#include <gtest/gtest.h>

namespace qmt {
namespace {

TEST(SimHotplugScheduleTest, StepsOfSeveralControllersComeInTimeOrder) {
    std::vector<SimHotplugStep> steps;
    std::string error;
    ASSERT_TRUE(ParseSimHotplugSchedule("KRT4-A:unplug@2,plug@4.5;KV5-A:unplug@3", steps, error))
        << error;
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].serial, "KRT4-A");
    EXPECT_FALSE(steps[0].plug);
    EXPECT_EQ(steps[1].serial, "KV5-A");
    EXPECT_EQ(steps[1].seconds, 3.0);
    EXPECT_TRUE(steps[2].plug);
    EXPECT_EQ(steps[2].seconds, 4.5);
}

TEST(SimHotplugScheduleTest, AMalformedScheduleSaysWhichPart) {
    std::vector<SimHotplugStep> steps;
    std::string error;
    for (const char* bad : {"KRT4-A", ":unplug@2", "KRT4-A:pull@2", "KRT4-A:unplug@",
                            "KRT4-A:plug@-1", "KRT4-A:plug@2s"}) {
        EXPECT_FALSE(ParseSimHotplugSchedule(bad, steps, error)) << bad;
        EXPECT_NE(error.find("QMT_SIM_HOTPLUG"), std::string::npos);
    }
}

}  // namespace
}  // namespace qmt
