// One instance per user: the owner, the hand-off to it, and a crashed owner's leftovers.

#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempFolder.h"

namespace qmt {
namespace {

TEST(SingleInstanceTest, TheFirstOwnsTheNameAndLaterOnesHandTheirRequestsToIt) {
    TempFolder folder;
    std::string error;
    SingleInstance first("Agent", folder.path());
    ASSERT_EQ(first.claim(error), SingleInstance::Claim::Owner) << error;
    EXPECT_TRUE(first.takeRequests().empty());

    SingleInstance second("Agent", folder.path());
    EXPECT_EQ(second.claim(error), SingleInstance::Claim::OtherRunning);
    EXPECT_FALSE(second.isOwner());
    EXPECT_TRUE(second.sendToRunning(1));
    EXPECT_TRUE(second.sendToRunning(2));
    EXPECT_EQ(first.takeRequests(), (std::vector<uint8_t>{1, 2}));

    // Another name is another program.
    SingleInstance other("Panel", folder.path());
    EXPECT_EQ(other.claim(error), SingleInstance::Claim::Owner);
}

TEST(SingleInstanceTest, WithoutAnOwnerARequestFindsNobody) {
    TempFolder folder;
    std::string error;
    {
        SingleInstance owner("Agent", folder.path());
        ASSERT_EQ(owner.claim(error), SingleInstance::Claim::Owner);
    }
    SingleInstance late("Agent", folder.path());
    EXPECT_FALSE(late.sendToRunning(1));
    EXPECT_EQ(late.claim(error), SingleInstance::Claim::Owner);
}

TEST(SingleInstanceTest, AnOwnerThatDiedLeavesNothingThatStopsTheNext) {
    TempFolder folder;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Claims, then dies without cleaning up: socket and lock file stay behind.
        SingleInstance crashed("Agent", folder.path());
        std::string error;
        ::_exit(crashed.claim(error) == SingleInstance::Claim::Owner ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(std::filesystem::exists(folder.file("Agent")));

    SingleInstance next("Agent", folder.path());
    EXPECT_FALSE(next.sendToRunning(1));
    std::string error;
    ASSERT_EQ(next.claim(error), SingleInstance::Claim::Owner) << error;
    SingleInstance later("Agent", folder.path());
    EXPECT_EQ(later.claim(error), SingleInstance::Claim::OtherRunning);
    EXPECT_TRUE(later.sendToRunning(2));
    EXPECT_EQ(next.takeRequests(), std::vector<uint8_t>{2});
}

TEST(SingleInstanceTest, AFolderOfSomethingElseIsRefused) {
    TempFolder folder;
    folder.write("file", "x");
    SingleInstance instance("Agent", folder.file("file"));
    std::string error;
    EXPECT_EQ(instance.claim(error), SingleInstance::Claim::Failed);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qmt
