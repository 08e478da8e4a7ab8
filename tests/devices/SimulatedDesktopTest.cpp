// The simulated desktop: every program that simulates sees the same controllers, each read
// back by its model with the serial it was plugged with; and the rule that turns simulation on.

#include "platform/sim/SimulatedDesktop.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "devices/DeviceRegistry.h"
#include "devices/MidiDeviceModels.h"

namespace qmt {
namespace {

TEST(SimulatedDesktopTest, MidiProgramsSeeEveryControllerButTheKrt4WithItsSerial) {
    SimDeviceTree tree;
    PlugSimulatedDesktop(tree);
    DeviceRegistry registry(tree, MidiDeviceModels(tree),
                            DeviceRegistry::ChangeWatch::Notification);
    ASSERT_TRUE(registry.initialize());
    std::vector<std::string> expected;
    for (const SimulatedController& controller : SimulatedDesktopControllers())
        if (controller.model != SimControllerModel::Krt4) expected.push_back(controller.serial);
    std::vector<std::string> seen;
    std::vector<uint32_t> types;
    for (size_t i = 0; i < registry.getNumberOfDevices(); ++i) {
        seen.push_back(registry.getDevice(i)->getSerial());
        types.push_back(registry.getDevice(i)->getModel()->getType());
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(types, (std::vector<uint32_t>{1, 2, 3, 6}));
}

TEST(SimulatedDesktopTest, TheOptionIsTakenOutAndTheEnvironmentCountsAsWell) {
    const char* old = std::getenv("QMT_SIMULATE");
    const std::string saved = old != nullptr ? old : "";
    ::unsetenv("QMT_SIMULATE");
    std::vector<std::string> arguments{"--edit", "--simulate", "file.kvp"};
    EXPECT_TRUE(TakeSimulateOption(arguments));
    EXPECT_EQ(arguments, (std::vector<std::string>{"--edit", "file.kvp"}));
    EXPECT_FALSE(TakeSimulateOption(arguments));
    ::setenv("QMT_SIMULATE", "0", 1);
    EXPECT_FALSE(SimulationRequestedByEnvironment());
    ::setenv("QMT_SIMULATE", "1", 1);
    EXPECT_TRUE(TakeSimulateOption(arguments));
    EXPECT_EQ(arguments.size(), 2u);
    if (old != nullptr) {
        ::setenv("QMT_SIMULATE", saved.c_str(), 1);
    } else {
        ::unsetenv("QMT_SIMULATE");
    }
}

}  // namespace
}  // namespace qmt
