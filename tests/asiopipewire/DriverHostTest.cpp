// Hosting a driver object: what reaches the bridge, and the reset a driver asks for.

#include "asiopipewire/DriverHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/asiopipewire/FakeAsioDriver.h"

namespace qmt {
namespace {

class NoGraph final : public GraphCycleIf {
  public:
    bool startCycle(uint32_t, int64_t, uint64_t) override { return false; }
};

class CountingListener final : public DriverHostListenerIf {
  public:
    int requests = 0;
    void resetRequested() override { ++requests; }
};

class DriverHostTest : public ::testing::Test {
  protected:
    DriverHostTest()
        : bridge_(graph_, clock_),
          host_(
              [this](std::string&) -> IASIO* {
                  drivers_.push_back(std::make_unique<FakeAsioDriver>());
                  drivers_.back()->preferredFrames = nextFrames_;
                  drivers_.back()->initSucceeds = initSucceeds_;
                  return drivers_.back().get();
              },
              bridge_, listener_) {}

    NoGraph graph_;
    ManualClock clock_;
    GraphCycleBridge bridge_;
    CountingListener listener_;
    std::vector<std::unique_ptr<FakeAsioDriver>> drivers_;
    int32_t nextFrames_ = 64;
    bool initSucceeds_ = true;
    DriverHost host_;
};

TEST_F(DriverHostTest, OpensAtTheAskedRateWithTheDriversNamesSizeAndBuffers) {
    std::string error;
    ASSERT_TRUE(host_.open(48000, error)) << error;
    const DriverDescription& description = host_.description();
    EXPECT_EQ(description.name, "Fake ASIO");
    EXPECT_EQ(description.rate, 48000);
    EXPECT_EQ(description.bufferFrames, 64u);
    ASSERT_EQ(description.inputs.size(), 16u);
    EXPECT_EQ(description.inputs[0].name, "In 1");
    EXPECT_TRUE(description.inputs[1].active);
    EXPECT_FALSE(description.inputs[2].active);
    EXPECT_EQ(description.outputs[15].name, "Out 16");
    EXPECT_EQ(description.outputs[15].bits, 24u);
    FakeAsioDriver& driver = *drivers_.back();
    EXPECT_TRUE(driver.started);
    EXPECT_EQ(bridge_.frames(), 64u);
    driver.callbacks.bufferSwitch(1, ASIOTrue);
    EXPECT_EQ(bridge_.statistics().switches, 1u) << "the driver's switches reach the bridge";

    host_.close();
    EXPECT_EQ(driver.disposed, 1);
    EXPECT_EQ(driver.references, 0);
    driver.callbacks.bufferSwitch(0, ASIOTrue);
    EXPECT_EQ(bridge_.statistics().switches, 1u) << "no switch reaches freed buffers";
}

TEST_F(DriverHostTest, AResetRequestIsHeardOnceAndCarriedOutWithTheNewBufferSize) {
    std::string error;
    ASSERT_TRUE(host_.open(0, error)) << error;
    EXPECT_EQ(host_.description().rate, 44100) << "rate 0 keeps the driver's own";
    FakeAsioDriver& first = *drivers_.back();
    EXPECT_EQ(
        first.callbacks.asioMessage(kAsioSelectorSupported, kAsioResetRequest, nullptr, nullptr),
        1);
    EXPECT_EQ(first.callbacks.asioMessage(kAsioResetRequest, 0, nullptr, nullptr), 1);
    EXPECT_EQ(first.callbacks.asioMessage(kAsioResetRequest, 0, nullptr, nullptr), 1);
    EXPECT_EQ(listener_.requests, 1) << "one restart for requests that come together";
    EXPECT_TRUE(host_.resetPending());

    nextFrames_ = 128;
    ASSERT_TRUE(host_.restart(error)) << error;
    EXPECT_EQ(first.references, 0) << "the old driver object is released";
    EXPECT_EQ(drivers_.size(), 2u);
    EXPECT_EQ(host_.description().bufferFrames, 128u);
    EXPECT_EQ(host_.description().rate, 44100);
    EXPECT_EQ(bridge_.frames(), 128u);
    EXPECT_FALSE(host_.resetPending());
    drivers_.back()->callbacks.asioMessage(kAsioResetRequest, 0, nullptr, nullptr);
    EXPECT_EQ(listener_.requests, 2);
}

TEST_F(DriverHostTest, AFailedOpenSaysWhyAndLeavesNothingOpen) {
    initSucceeds_ = false;
    std::string error;
    EXPECT_FALSE(host_.open(0, error));
    EXPECT_NE(error.find("no controller is connected"), std::string::npos) << error;
    EXPECT_FALSE(host_.isOpen());
    EXPECT_EQ(drivers_.back()->references, 0);

    initSucceeds_ = true;
    error.clear();
    EXPECT_FALSE(host_.open(96000, error)) << "the fake runs at 44.1 and 48 kHz only";
    EXPECT_NE(error.find("96000"), std::string::npos) << error;
    EXPECT_FALSE(host_.isOpen());
}

}  // namespace
}  // namespace qmt
