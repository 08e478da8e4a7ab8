#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "FakeSysfs.h"
#include "platform/linux/LinuxHidBus.h"

namespace qmt {
namespace {

using test::FakeSysfs;

struct Notice {
    std::string path;
    bool arrived = false;
};

class LinuxHidBusTest : public ::testing::Test {
  protected:
    LinuxHidBus::Callback Recorder(std::vector<Notice>& notices) {
        return [&notices](const std::string& path, bool arrived) {
            notices.push_back({path, arrived});
        };
    }
    std::string PathOf(const std::string& name) {
        HidrawDevice device;
        EXPECT_TRUE(ReadHidrawDevice(sysfs.sysRoot(), sysfs.devRoot(), name, device));
        return device.interfacePath;
    }

    FakeSysfs sysfs;
    std::vector<std::string> diagnostics;
};

TEST_F(LinuxHidBusTest, RegistrationAnnouncesPresentInterfacesBeforeReturning) {
    sysfs.AddUsb("hidraw0", "1-1", 2, 3, 0xF7E1, 0x0300, "A", 1);
    sysfs.AddUhid("hidraw1", 0xF7E1, 0x0100, "B", 2);
    LinuxHidBus bus({}, sysfs.sysRoot(), sysfs.devRoot());
    std::vector<Notice> notices;
    const uint64_t id = bus.Register(Recorder(notices));
    EXPECT_NE(id, 0u);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_TRUE(notices[0].arrived && notices[1].arrived);
    bus.Unregister(id);
}

TEST_F(LinuxHidBusTest, LaterChangesReachEarlierListenersOnceAndNewcomersSeeThePresent) {
    sysfs.AddUhid("hidraw0", 0xF7E1, 0x0100, "A", 1);
    LinuxHidBus bus({}, sysfs.sysRoot(), sysfs.devRoot());
    std::vector<Notice> first, second, third;
    const uint64_t a = bus.Register(Recorder(first));
    sysfs.AddUhid("hidraw1", 0xF7E1, 0x0300, "B", 2);
    const std::string added = PathOf("hidraw1");
    const uint64_t b = bus.Register(Recorder(second));  // looks at sysfs again
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[1].path, added);
    EXPECT_TRUE(first[1].arrived);
    EXPECT_EQ(second.size(), 2u);

    const std::string removed = PathOf("hidraw0");
    sysfs.Remove("hidraw0");
    const uint64_t c = bus.Register(Recorder(third));
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[2].path, removed);
    EXPECT_FALSE(first[2].arrived);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_FALSE(second[2].arrived);
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(third[0].path, added);
    for (uint64_t id : {a, b, c})
        bus.Unregister(id);
}

TEST_F(LinuxHidBusTest, UnregisteredListenerHearsNothingMore) {
    LinuxHidBus bus({}, sysfs.sysRoot(), sysfs.devRoot());
    std::vector<Notice> gone, staying;
    const uint64_t a = bus.Register(Recorder(gone));
    bus.Unregister(a);
    sysfs.AddUhid("hidraw0", 0xF7E1, 0x0100, "A", 1);
    const uint64_t b = bus.Register(Recorder(staying));
    EXPECT_TRUE(gone.empty());
    EXPECT_EQ(staying.size(), 1u);
    bus.Unregister(b);
}

TEST_F(LinuxHidBusTest, OpenMapsTheInterfacePathBackToItsNodeWhateverTheCase) {
    sysfs.AddUsb("hidraw4", "1-1", 2, 3, 0xF7E1, 0x0310, "RAW01", 1);
    sysfs.MakeNode("hidraw4");
    LinuxHidBus bus({}, sysfs.sysRoot(), sysfs.devRoot());
    std::string path = PathOf("hidraw4");
    for (char& c : path)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto file = bus.Open(path, false);
    ASSERT_TRUE(file);
    std::string serial;
    ASSERT_TRUE(file->SerialNumber(serial));  // a FIFO answers no hidraw request: sysfs's
    EXPECT_EQ(serial, "RAW01");
    EXPECT_FALSE(bus.Open("\\\\?\\HID#VID_F7E1&PID_0310#7&0&0&0000#{x}", false));
}

TEST_F(LinuxHidBusTest, ProbeAnswersAsAHidClassDevice) {
    sysfs.AddUhid("hidraw0", 0xF7E1, 0x0300, "A", 1);
    sysfs.MakeNode("hidraw0");
    LinuxHidBus bus({}, sysfs.sysRoot(), sysfs.devRoot());
    HidProbe probe;
    ASSERT_TRUE(bus.Probe(PathOf("hidraw0"), probe));
    EXPECT_EQ(probe.deviceType, kFileDeviceUnknown);
    std::string guid = probe.classGuid;
    for (char& c : guid)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(guid, GuidInBraces(kHidSetupClassGuid));
    EXPECT_FALSE(bus.Probe("\\\\?\\HID#VID_0000&PID_0000#7&0&0&0000#{x}", probe));
}

TEST_F(LinuxHidBusTest, ProbeRefusesAnInterfaceWhoseNodeIsMissing) {
    sysfs.AddUhid("hidraw0", 0xF7E1, 0x0300, "A", 1);  // no node in /dev yet
    LinuxHidBus bus({}, sysfs.sysRoot(), sysfs.devRoot());
    HidProbe probe;
    EXPECT_FALSE(bus.Probe(PathOf("hidraw0"), probe));
}

// Opens the node twice in a process without the rights to it and tells how many messages
// it got, and whether they name the node and the udev rule. Run as root, the test drops to
// "nobody" in a child process, as root would open any node.
int OpenWithoutAccess(const FakeSysfs& sysfs, const std::string& path, const std::string& node) {
    std::vector<std::string> diagnostics;
    LinuxHidBus bus([&](const std::string& m) { diagnostics.push_back(m); }, sysfs.sysRoot(),
                    sysfs.devRoot());
    if (bus.Open(path, false) || bus.Open(path, true)) return 10;
    if (diagnostics.size() != 1) return 20 + static_cast<int>(diagnostics.size());
    const bool named = diagnostics[0].find(node) != std::string::npos &&
                       diagnostics[0].find("udev rule") != std::string::npos;
    return named ? 0 : 30;
}

TEST_F(LinuxHidBusTest, NodeWithoutAccessTellsTheUserAboutTheUdevRuleOnce) {
    sysfs.AddUhid("hidraw0", 0xF7E1, 0x0300, "A", 1);
    const std::string node = sysfs.MakeNode("hidraw0");
    ::chmod(node.c_str(), 0600);
    const std::string path = PathOf("hidraw0");
    if (::geteuid() != 0) {
        ::chmod(node.c_str(), 0);
        EXPECT_EQ(OpenWithoutAccess(sysfs, path, node), 0);
        return;
    }
    // The tree must be readable by the unprivileged child; the node stays root's.
    for (std::string folder = sysfs.sysRoot(); folder.size() > 4;
         folder = folder.substr(0, folder.find_last_of('/')))
        ::chmod(folder.c_str(), 0755);
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped ? OpenWithoutAccess(sysfs, path, node) : 99);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: opened anyway, 2x: messages, 30: wrong text";
}

}  // namespace
}  // namespace qmt
