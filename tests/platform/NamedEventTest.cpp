#include "platform/NamedEvent.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <thread>

namespace qmt {
namespace {

// Each test gets its own runtime folder; two NamedEvent objects of one name stand for two
// processes (each holds its own descriptor, as each process would).
class NamedEventTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qmt-events-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        runtime_ = pattern;
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        saved_ = old != nullptr ? old : "";
        ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    }
    void TearDown() override {
        if (saved_.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
        std::filesystem::remove_all(runtime_);
    }
    void OpenBoth(NamedEvent& a, NamedEvent& b) {
        std::string error;
        ASSERT_TRUE(a.Open("QMTASIOConfigurationChanged", error)) << error;
        ASSERT_TRUE(b.Open("QMTASIOConfigurationChanged", error)) << error;
    }
    std::string runtime_;
    std::string saved_;
};

TEST_F(NamedEventTest, SetInOneHolderReleasesAWaitInTheOther) {
    NamedEvent panel, driver;
    OpenBoth(panel, driver);
    EXPECT_FALSE(driver.Wait(0));
    ASSERT_TRUE(panel.Set());
    EXPECT_TRUE(driver.Wait(0));
    EXPECT_FALSE(driver.Wait(0)) << "auto-reset: the wait cleared it";
}

TEST_F(NamedEventTest, SettingTwiceBeforeAWaitIsOneSignal) {
    NamedEvent panel, driver;
    OpenBoth(panel, driver);
    ASSERT_TRUE(panel.Set());
    ASSERT_TRUE(panel.Set());
    EXPECT_TRUE(driver.Wait(0));
    EXPECT_FALSE(driver.Wait(0));
}

TEST_F(NamedEventTest, OneSetLetsExactlyOneOfTwoWaitersThrough) {
    NamedEvent setter, first, second;
    OpenBoth(first, second);
    std::string error;
    ASSERT_TRUE(setter.Open("QMTASIOConfigurationChanged", error)) << error;
    ASSERT_TRUE(setter.Set());
    const int through = int{first.Wait(0)} + int{second.Wait(0)};
    EXPECT_EQ(through, 1);
}

TEST_F(NamedEventTest, BlockedWaitEndsWhenTheEventIsSet) {
    NamedEvent panel, driver;
    OpenBoth(panel, driver);
    bool woke = false;
    std::thread waiter([&] { woke = driver.Wait(NamedEvent::kInfinite); });
    ASSERT_TRUE(panel.Set());
    waiter.join();
    EXPECT_TRUE(woke);
}

TEST_F(NamedEventTest, EventsLiveInAPrivateFolder) {
    NamedEvent event;
    std::string error;
    ASSERT_TRUE(event.Open("QMTASIOConfigurationPanelOpen", error)) << error;
    struct stat info {};
    ASSERT_EQ(::stat(NamedEvent::Folder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((NamedEvent::Folder() + "/QMTASIOConfigurationPanelOpen").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(NamedEventTest, AnOpenerLearnsWhetherAnotherHolderHasTheEvent) {
    const std::string name = "QMTASIOConfigurationPanelOpen";
    std::string error;
    bool existed = true;
    auto first = std::make_unique<NamedEvent>();
    ASSERT_TRUE(first->Open(name, error, &existed)) << error;
    EXPECT_FALSE(existed);
    NamedEvent second;
    ASSERT_TRUE(second.Open(name, error, &existed)) << error;
    EXPECT_TRUE(existed);
    first.reset();
    NamedEvent third;
    ASSERT_TRUE(third.Open(name, error, &existed)) << error;
    EXPECT_TRUE(existed) << "the second still holds it";
    second.Close();
    third.Close();
    ASSERT_TRUE(third.Open(name, error, &existed)) << error;
    EXPECT_FALSE(existed) << "the FIFO left behind by closed holders is no holder";
}

TEST_F(NamedEventTest, BadNamesAndMissingRuntimeFolderAreRefusedWithAReason) {
    NamedEvent event;
    std::string error;
    EXPECT_FALSE(event.Open("../escape", error));
    EXPECT_FALSE(error.empty());
    ::unsetenv("XDG_RUNTIME_DIR");
    error.clear();
    EXPECT_FALSE(event.Open("QMTASIOConfigurationChanged", error));
    EXPECT_NE(error.find("XDG_RUNTIME_DIR"), std::string::npos) << error;
    EXPECT_FALSE(event.Set());
    EXPECT_FALSE(event.Wait(0));
}

}  // namespace
}  // namespace qmt
