#include "asiopanel/PanelInstance.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>

#include "asio/QmtAsioBrand.h"
#include "asiopanel/ConfigurationChangedEvent.h"
#include "common/Event.h"
#include "platform/NamedEvent.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

// Each PanelInstance holds the event as its own process would, so two of them stand for two
// panels started one after the other.
class PanelInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        saved_ = old != nullptr ? old : "";
        ::setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    }
    void TearDown() override {
        if (saved_.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    }
    QmtAsioBrand brand;
    TempFolder runtime_;
    std::string saved_;
};

TEST_F(PanelInstanceTest, ASecondStartRaisesTheFirstAndLeaves) {
    EXPECT_EQ(PanelInstance::EventName(brand), "QMTASIOConfigurationPanelOpen");
    PanelInstance first(brand);
    std::string error;
    ASSERT_EQ(first.claim(error), PanelInstance::Claim::First) << error;
    Event raised(false);
    std::atomic<int> raises{0};
    ASSERT_TRUE(first.listen([&] {
        ++raises;
        raised.set();
    }));

    for (int start = 1; start <= 2; ++start) {
        PanelInstance second(brand);
        EXPECT_EQ(second.claim(error), PanelInstance::Claim::OtherPanelRaised);
        ASSERT_TRUE(raised.wait(10000)) << "start " << start;
        EXPECT_EQ(raises.load(), start);
    }
    first.stopListening();
}

TEST_F(PanelInstanceTest, AppliedSettingsReachAHolderOfTheChangedEvent) {
    NamedEvent driver;
    std::string error;
    ASSERT_TRUE(driver.Open("QMTASIOConfigurationChanged", error)) << error;
    SignalConfigurationChanged(brand);
    EXPECT_TRUE(driver.Wait(0));
    EXPECT_FALSE(driver.Wait(0));
}

}  // namespace
}  // namespace qmt
