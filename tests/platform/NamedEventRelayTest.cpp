#include "platform/NamedEventRelay.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace qmt {
namespace {

class NamedEventRelayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qmt-relay-XXXXXX").string();
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
    std::string runtime_;
    std::string saved_;
};

TEST_F(NamedEventRelayTest, EachSignalOfAnotherHolderSetsTheEventOnce) {
    NamedEventRelay relay;
    std::string error;
    ASSERT_TRUE(relay.open("QMTASIOConfigurationChanged", error)) << error;
    NamedEvent panel;
    ASSERT_TRUE(panel.Open("QMTASIOConfigurationChanged", error)) << error;

    ASSERT_TRUE(panel.Set());
    EXPECT_TRUE(relay.event().wait(kInfinite));
    EXPECT_FALSE(relay.event().wait(0)) << "auto-reset";
    ASSERT_TRUE(panel.Set());
    EXPECT_TRUE(relay.event().wait(kInfinite));

    relay.close();
    EXPECT_FALSE(relay.isOpen());
    EXPECT_TRUE(relay.open("QMTASIOConfigurationChanged", error)) << "reopens after close";
}

TEST_F(NamedEventRelayTest, OpenFailsPlainlyWithoutARuntimeFolder) {
    ::unsetenv("XDG_RUNTIME_DIR");
    NamedEventRelay relay;
    std::string error;
    EXPECT_FALSE(relay.open("QMTASIOConfigurationChanged", error));
    EXPECT_NE(error.find("XDG_RUNTIME_DIR"), std::string::npos);
    relay.close();
}

}  // namespace
}  // namespace qmt
