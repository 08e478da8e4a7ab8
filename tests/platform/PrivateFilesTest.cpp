// The user's own files stay the user's own: the user hive and its lock, the control
// socket and its folder. The machine hive is read by every user.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/ControlChannel.h"
#include "platform/FileRegistry.h"

namespace qmt {
namespace {

class PrivateFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qmt-private-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    unsigned ModeOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
        return info.st_mode & 0777;
    }
    std::string folder_;
};

TEST_F(PrivateFilesTest, UserHiveIsPrivateAndMachineHiveIsReadable) {
    const std::string user = folder_ + "/config/qmt/user.reg";
    const std::string machine = folder_ + "/machine/machine.reg";
    FileRegistry registry(user, machine);
    ASSERT_TRUE(registry.setString(Hive::CurrentUser, "Software\\QMT\\QMTMIDI", "Selected Mapping",
                                   "/x.kdm"));
    ASSERT_TRUE(
        registry.setString(Hive::LocalMachine, "Software\\QMT\\QMTMIDI", "Preset Path", "/p"));
    EXPECT_EQ(ModeOf(user), 0600u);
    EXPECT_EQ(ModeOf(user + ".lock"), 0600u);
    EXPECT_EQ(ModeOf(folder_ + "/config/qmt"), 0700u);
    EXPECT_EQ(ModeOf(machine) & 0644u, 0644u);
}

TEST_F(PrivateFilesTest, ControlSocketAndItsFolderAreTheUsersAlone) {
    const std::string runtime = folder_ + "/run";
    ASSERT_EQ(::mkdir(runtime.c_str(), 0755), 0);
    const std::string socket = runtime + "/qmtmidi/control";
    ::mkdir((runtime + "/qmtmidi").c_str(), 0755);  // left open by someone earlier
    ControlServer server;
    std::string error;
    ASSERT_TRUE(server.Start(
        socket, [](const ControlRequest&) { return ControlAnswer{}; }, error))
        << error;
    EXPECT_EQ(ModeOf(runtime + "/qmtmidi"), 0700u);
    EXPECT_EQ(ModeOf(socket), 0600u);
    server.Stop();
}

TEST_F(PrivateFilesTest, ControlSocketRefusesAFileWhereItsFolderShouldBe) {
    const std::string blocker = folder_ + "/qmtmidi";
    {
        FILE* f = std::fopen(blocker.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    ControlServer server;
    std::string error;
    EXPECT_FALSE(server.Start(
        blocker + "/control", [](const ControlRequest&) { return ControlAnswer{}; }, error));
    EXPECT_NE(error.find(blocker), std::string::npos) << error;
}

}  // namespace
}  // namespace qmt
