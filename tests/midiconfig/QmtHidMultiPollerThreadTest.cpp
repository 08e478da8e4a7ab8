// The live-input poller over virtual controllers: what it delivers, and controllers that
// fail, go away or are forgotten while it reads.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "devices/DeviceRegistry.h"
#include "devices/MidiDeviceModels.h"
#include "midiconfig/QmtHidMultiPoller.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimHidBus.h"
#include "tests/engine/ReportBuilders.h"

namespace qmt {
namespace {

using namespace test;
constexpr uint32_t kPatienceMs = 10000;  // a failing test ends instead of hanging

class Recorder : public QmtHidObserverIf {
  public:
    void stateReport(const HidControlState& state) override {
        std::lock_guard lock(mutex_);
        states.push_back(state);
        changed_.notify_all();
    }
    void readTrouble(size_t index, uint32_t failedReads) override {
        std::lock_guard lock(mutex_);
        troubles.emplace_back(index, failedReads);
        changed_.notify_all();
    }
    // Waits until `count` state reports (or troubles) have come.
    bool waitStates(size_t count) {
        return waitFor([&] { return states.size() >= count; });
    }
    bool waitTroubles(size_t count) {
        return waitFor([&] { return troubles.size() >= count; });
    }

    std::vector<HidControlState> states;
    std::vector<std::pair<size_t, uint32_t>> troubles;

  private:
    template <class P>
    bool waitFor(P ready) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(kPatienceMs), ready);
    }
    std::mutex mutex_;
    std::condition_variable changed_;
};

class QmtHidMultiPollerTest : public ::testing::Test {
  protected:
    // A controller in the device tree with its HID interface on the bus.
    std::shared_ptr<SimController> plug(SimControllerModel model, const std::string& serial) {
        const int id =
            tree.plugController(model, std::u16string(serial.begin(), serial.end()), ++port);
        handles[serial] = id;
        return bus.Plug(tree.hidInterfacePath(id), serial);
    }
    void unplug(const std::string& serial) {
        const std::string path = tree.hidInterfacePath(handles[serial]);
        tree.unplugController(handles[serial]);
        bus.Unplug(path);
    }
    void startPoller() {
        registry.enumerateDevices();
        poller = QmtHidMultiPoller::create(registry, bus, recorder);
        ASSERT_TRUE(poller);
        ASSERT_TRUE(poller->start());
        ASSERT_TRUE(poller->started());
    }
    // Sends a reference report and one with `control` down; waits for its state report.
    void press(SimController& device, uint8_t control) {
        const size_t before = recorder.states.size();
        device.Deliver(Kv10Report());
        device.Deliver(Kv10Report().press(control));
        ASSERT_TRUE(recorder.waitStates(before + 1));
    }

    SimDeviceTree tree;
    SimHidBus bus;
    DeviceRegistry registry{tree, MidiDeviceModels(tree)};
    Recorder recorder;
    std::unique_ptr<QmtHidMultiPoller> poller;  // after what it uses: destroyed first
    std::map<std::string, int> handles;
    int port = 0;
};

TEST_F(QmtHidMultiPollerTest, FirstControlReportIsTheReferenceThenChangesAreDelivered) {
    auto kv10 = plug(SimControllerModel::Kv10, "KV1000001");
    auto ardo = plug(SimControllerModel::Ardo, "ARDO00001");
    startPoller();
    auto reply = ArdoReport();
    reply.u8(1, 10).u8(2, 4);
    ardo->Deliver(reply);  // the firmware reply to the driver is no reference
    ardo->Deliver(ArdoReport().wheel(4));
    ardo->Deliver(ArdoReport().press(33));
    ASSERT_TRUE(recorder.waitStates(1));
    EXPECT_EQ(recorder.states[0].modelType, kModelArdo);
    EXPECT_EQ(recorder.states[0].deviceIndex, 1u);
    EXPECT_EQ(recorder.states[0].buttons, 1u << 14);  // "Stop" is the ARDO's 15th button
    press(*kv10, 22);
    EXPECT_EQ(recorder.states[1].buttons, 1u << 22);
    EXPECT_EQ(poller->openDeviceCount(), 2u);
}

TEST_F(QmtHidMultiPollerTest, ThirdFailedReadInARowClosesOnlyThatDevice) {
    auto kv10 = plug(SimControllerModel::Kv10, "KV1000001");
    auto other = plug(SimControllerModel::Kv10, "KV1000002");
    startPoller();
    kv10->FailReads(2);
    press(*kv10, 1);  // a good read clears the count
    kv10->FailReads(3);
    ASSERT_TRUE(recorder.waitTroubles(5));
    EXPECT_EQ(recorder.troubles,
              (std::vector<std::pair<size_t, uint32_t>>{{0, 1}, {0, 2}, {0, 1}, {0, 2}, {0, 3}}));
    press(*other, 2);  // handled after the close, on the same thread
    EXPECT_EQ(poller->openDeviceCount(), 1u);
    EXPECT_EQ(kv10->blockedReads(), 0);
}

TEST_F(QmtHidMultiPollerTest, UnpluggedOrForgottenDeviceLeavesTheOthersReading) {
    auto kv10 = plug(SimControllerModel::Kv10, "KV1000001");
    auto other = plug(SimControllerModel::Kv10, "KV1000002");
    startPoller();
    ASSERT_TRUE(kv10->WaitForBlockedRead(kPatienceMs));
    unplug("KV1000001");          // fails the read in progress
    registry.enumerateDevices();  // and the registry sees it go
    ASSERT_TRUE(registry.removeDevice(registry.getDeviceWithSerialNumber("KV1000001")));
    press(*other, 3);
    EXPECT_EQ(recorder.states.back().deviceIndex, 1u);  // its index when it was opened
    EXPECT_EQ(poller->openDeviceCount(), 1u);

    // Plugged again it is polled again, as a new device.
    auto again = plug(SimControllerModel::Kv10, "KV1000001");
    registry.enumerateDevices();
    press(*again, 4);
    EXPECT_EQ(recorder.states.back().deviceIndex, 1u);
}

TEST_F(QmtHidMultiPollerTest, DestroyingThePollerEndsReadsInProgress) {
    auto kv10 = plug(SimControllerModel::Kv10, "KV1000001");
    startPoller();
    ASSERT_TRUE(kv10->WaitForBlockedRead(kPatienceMs));
    poller.reset();
    EXPECT_EQ(kv10->blockedReads(), 0);
    kv10->Deliver(Kv10Report());  // nobody reads it; nothing runs any more
    EXPECT_TRUE(recorder.states.empty());
}

}  // namespace
}  // namespace qmt
