#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/ProcessLauncher.h"

namespace qmt {
namespace {

// The started program writes its arguments into a FIFO; reading it waits for the child.
TEST(DetachedProcessLauncherTest, StartsTheProgramWithItsArgumentsAndReportsMissingOnes) {
    std::string folder = (std::filesystem::temp_directory_path() / "qmt-launch-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::string fifo = folder + "/args";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    DetachedProcessLauncher launcher;
    ASSERT_TRUE(
        launcher.startProcess("/bin/sh", {"sh", "-c", "echo \"$0 $1\" > \"$1\"", "panel", fifo}));
    std::ifstream args(fifo);
    std::string line;
    std::getline(args, line);
    EXPECT_EQ(line, "panel " + fifo);

    EXPECT_FALSE(launcher.startProcess(folder + "/missing", {"missing"}));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace qmt
