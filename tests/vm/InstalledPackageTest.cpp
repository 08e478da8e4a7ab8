// The Debian package as an ordinary user meets it: run by tests/packaging/guest-package-test.sh
// in the guest, with udevd running and the user named by QMT_PACKAGE_USER created (a member of
// the group audio, without a logind seat). With QMT_PACKAGE_DEB the test installs that package
// itself while a controller is plugged in, so the package's own script must make udev apply
// the rule to it; otherwise the package is already installed. `qmtmidiagent /select` must
// select the factory mapping for the user, and the installed qmtmidi, started as the user with
// nothing but the package's settings, must turn the controller's reports into MIDI at an ALSA
// application.

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "GuestEnvironment.h"
#include "HostServiceFixture.h"

namespace qmt::vm {
namespace {

using namespace std::chrono_literals;

// Software emulation is slow and the GUI program loads Qt: generous, but bounded.
constexpr auto kPatience = 60s;
constexpr uint32_t kKv10Play = 1u << 22;
const char* const kFactoryMapping = "TraktorPro 1.2 - Single Controller.kdm";

struct User {
    std::string name;
    uid_t uid = 0;
    gid_t gid = 0;
    std::string home;
    std::string runtime;  // XDG_RUNTIME_DIR, as logind would make it
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Starts `argv` as `user` (its groups, home and runtime folder, no inherited settings) with
// standard output and error going to `log`; -1 when fork fails.
pid_t StartAsUser(const User& user, const std::vector<std::string>& argv,
                  const std::vector<std::string>& extraEnvironment, const std::string& log) {
    std::vector<std::string> environment{"HOME=" + user.home,
                                         "USER=" + user.name,
                                         "LOGNAME=" + user.name,
                                         "XDG_RUNTIME_DIR=" + user.runtime,
                                         "PATH=/usr/local/bin:/usr/bin:/bin",
                                         "LANG=C.UTF-8"};
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
    }
    if (initgroups(user.name.c_str(), user.gid) != 0 || setgid(user.gid) != 0 ||
        setuid(user.uid) != 0 || chdir(user.home.c_str()) != 0) {
        std::fprintf(stderr, "cannot become %s: %s\n", user.name.c_str(), std::strerror(errno));
        _exit(126);
    }
    std::vector<char*> args, env;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    for (const std::string& entry : environment)
        env.push_back(const_cast<char*>(entry.c_str()));
    env.push_back(nullptr);
    execve(args[0], args.data(), env.data());
    std::fprintf(stderr, "cannot start %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
}

// The exit status (128 + signal), or -1 when the process is still running after `timeout`
// (it is killed then).
int WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(50ms);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// udev applies the rule a moment after the node appears: polls for the owner group and mode.
bool WaitForAccess(const std::string& node, gid_t group, mode_t mode, struct stat& seen) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (stat(node.c_str(), &seen) == 0 && seen.st_gid == group && (seen.st_mode & 0777) == mode)
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

class InstalledPackageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* name = std::getenv("QMT_PACKAGE_USER");
        if (name == nullptr || *name == '\0')
            GTEST_SKIP() << "runs in the guest after the package is installed: "
                            "tests/packaging/guest-package-test.sh";
        QMT_REQUIRE_KERNEL_FEATURES();
        const passwd* entry = getpwnam(name);
        ASSERT_NE(entry, nullptr) << "no user " << name;
        user_ = {name, entry->pw_uid, entry->pw_gid, entry->pw_dir, ""};
        user_.runtime = "/run/user/" + std::to_string(user_.uid);
        ASSERT_TRUE(mkdir("/run/user", 0755) == 0 || errno == EEXIST);
        ASSERT_TRUE(mkdir(user_.runtime.c_str(), 0700) == 0 || errno == EEXIST);
        ASSERT_EQ(chown(user_.runtime.c_str(), user_.uid, user_.gid), 0);
        const group* audio = getgrnam("audio");
        ASSERT_NE(audio, nullptr) << "no group audio";
        audioGid_ = audio->gr_gid;
    }

    void TearDown() override {
        if (service_ > 0) {
            kill(service_, SIGTERM);
            EXPECT_EQ(WaitForExit(service_, 10s), 0) << "qmtmidi must stop cleanly on SIGTERM";
        }
    }

    std::string log(const std::string& name) const { return user_.runtime + "/" + name + ".log"; }

    User user_;
    gid_t audioGid_ = 0;
    std::unique_ptr<SequencerClient> app_;
    pid_t service_ = -1;
};

TEST_F(InstalledPackageTest, TheUserGetsTheControllerAndItsMidiThroughTheInstalledDriver) {
    // A controller plugged in before the package arrives: installing must make udev apply the
    // new rule to it (the package's script reloads the rules and replays the controllers'
    // arrival), giving its node to the group audio.
    std::string error;
    auto kv10 = VirtualController::Plug(Kv10Model(), "KV10PKG01", error);
    ASSERT_TRUE(kv10) << error;
    const std::string node = kv10->waitForHidraw(10s);
    ASSERT_FALSE(node.empty()) << "no hidraw node";
    struct stat seen {};
    const char* deb = std::getenv("QMT_PACKAGE_DEB");
    if (deb != nullptr && *deb != '\0') {
        ASSERT_EQ(stat(node.c_str(), &seen), 0);
        ASSERT_NE(seen.st_gid, audioGid_) << "the node belongs to audio before the package came";
        const std::string install =
            std::string("apt-get -y install '") + deb + "' >" + log("apt-get") + " 2>&1";
        ASSERT_EQ(std::system(install.c_str()), 0) << ReadFile(log("apt-get"));
    }
    ASSERT_TRUE(WaitForAccess(node, audioGid_, 0660, seen))
        << node << " is group " << seen.st_gid << " mode " << std::oct << (seen.st_mode & 0777)
        << ": the udev rule did not apply";

    // The agent's start-up pass: folders of the user's own, the factory mapping selected.
    const pid_t agent = StartAsUser(user_, {"/usr/bin/qmtmidiagent", "/select"},
                                    {"QT_QPA_PLATFORM=offscreen"}, log("qmtmidiagent"));
    ASSERT_GT(agent, 0);
    ASSERT_EQ(WaitForExit(agent, kPatience), 0) << ReadFile(log("qmtmidiagent"));
    const std::string userHive = ReadFile(user_.home + "/.config/qmt/user.reg");
    EXPECT_NE(userHive.find("\"Selected Mapping\""), std::string::npos) << userHive;
    EXPECT_NE(userHive.find(kFactoryMapping), std::string::npos) << userHive;
    struct stat copied {};
    EXPECT_EQ(stat((user_.home + "/.local/share/qmt/mappings/" + kFactoryMapping).c_str(), &copied),
              0)
        << "the factory mapping was not copied into the user's folder";

    // The installed driver, as the user, with only the package's and the agent's settings.
    app_ = SequencerClient::Open("qmt package application", error);
    ASSERT_TRUE(app_) << error;
    service_ = StartAsUser(user_, {"/usr/bin/qmtmidi", "--verbose"}, {}, log("qmtmidi"));
    ASSERT_GT(service_, 0);
    ASSERT_TRUE(app_->waitForPort("QMT MIDI In", kPatience)) << ReadFile(log("qmtmidi"));
    ASSERT_TRUE(app_->subscribeFrom("QMT MIDI In")) << app_->error();
    ASSERT_TRUE(kv10->waitUntilOpen(true, kPatience)) << "qmtmidi never opened the controller:\n"
                                                      << ReadFile(log("qmtmidi"));

    // The factory mapping: the KV10's "Play" is note 82 on channel 1. The first report only
    // sets the decoder's starting state.
    ASSERT_TRUE(kv10->sendInputReport(Kv10Report(0)));
    ASSERT_TRUE(kv10->sendInputReport(Kv10Report(kKv10Play)));
    const Bytes wanted{0x90, 0x52, 0x7F};
    std::string seenMidi;
    bool arrived = false;
    while (!arrived) {
        const auto message = app_->receive(kPatience);
        if (!message) break;
        seenMidi += "\n  " + Hex(message->bytes);
        arrived = message->bytes == wanted;
    }
    EXPECT_TRUE(arrived) << "received:" << seenMidi << "\nqmtmidi said:\n"
                         << ReadFile(log("qmtmidi"));
}

}  // namespace
}  // namespace qmt::vm
