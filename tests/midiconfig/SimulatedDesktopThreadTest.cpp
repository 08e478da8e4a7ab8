// Live input end to end on the simulated desktop: the built-in script touches controls of
// virtual controllers, the poller reads them, and the control touched on a controller of
// the edited kind is the one selected.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "common/ManualTimedWait.h"
#include "devices/DeviceRegistry.h"
#include "devices/MidiDeviceModels.h"
#include "midiconfig/DeviceFilter.h"
#include "midiconfig/LiveInputDetector.h"
#include "midiconfig/QmtHidMultiPoller.h"
#include "midiconfig/SimulatedTouchPlayer.h"
#include "platform/sim/SimDeviceTree.h"

namespace qmt {
namespace {

constexpr uint32_t kPatienceMs = 10000;

// Stands for the editor: detects on the poller's thread and records what it would select.
class Editor : public QmtHidObserverIf {
  public:
    explicit Editor(TickClockIf& clock) : detector(clock) {}
    void stateReport(const HidControlState& state) override {
        const uint8_t control = detector.detect(state);
        std::lock_guard lock(mutex_);
        ++reports_;
        if (control != kNoControl) selected_.push_back(control);
        changed_.notify_all();
    }
    void readTrouble(size_t, uint32_t) override {}
    // Waits for `count` reports in all, then gives the selections so far.
    std::vector<uint8_t> afterReports(size_t count) {
        std::unique_lock lock(mutex_);
        EXPECT_TRUE(changed_.wait_for(lock, std::chrono::milliseconds(kPatienceMs),
                                      [&] { return reports_ >= count; }));
        return selected_;
    }
    LiveInputDetector detector;

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t reports_ = 0;
    std::vector<uint8_t> selected_;
};

TEST(SimulatedDesktop, ControlTouchedOnAControllerOfTheEditedKindIsSelected) {
    SimDeviceTree tree;
    const int kv10 = tree.plugController(SimControllerModel::Kv10, u"KV10-A", 1);
    const int ardo = tree.plugController(SimControllerModel::Ardo, u"ARDO-A", 2);
    SimHidBus bus;
    ManualClock clock(int64_t{5000} * 10'000);
    ManualTimedWait wait(clock);
    SimulatedTouchPlayer player(tree, bus, &wait);
    ASSERT_EQ(player.controllerCount(), 2u);

    DeviceRegistry registry(tree, MidiDeviceModels(tree));
    registry.enumerateDevices();
    Editor editor(clock);
    editor.detector.setPresetKind(PresetKind::Kap);
    DeviceFilter filter(editor);
    auto poller = QmtHidMultiPoller::create(registry, bus, filter);
    ASSERT_TRUE(poller && poller->start());
    for (int id : {kv10, ardo})
        ASSERT_TRUE(bus.Find(tree.hidInterfacePath(id))->WaitForBlockedRead(kPatienceMs));
    ASSERT_TRUE(player.resume());

    // The KV10's turn: "Eject" pressed and let go; a KAP preset is edited, so nothing.
    for (uint32_t step : {SimulatedTouchPlayer::kLeadMs, SimulatedTouchPlayer::kHoldMs,
                          SimulatedTouchPlayer::kPauseMs}) {
        ASSERT_TRUE(wait.waitUntilWaiting(kPatienceMs));
        wait.advanceMs(step);
    }
    ASSERT_TRUE(bus.Find(tree.hidInterfacePath(ardo))->WaitForBlockedRead(kPatienceMs));
    EXPECT_TRUE(editor.afterReports(2).empty());
    // The ARDO's turn: its first control, "NE wheel top", is selected once touched.
    ASSERT_TRUE(wait.waitUntilWaiting(kPatienceMs));
    wait.advanceMs(SimulatedTouchPlayer::kLeadMs);
    EXPECT_EQ(editor.afterReports(3), (std::vector<uint8_t>{26}));
    ASSERT_TRUE(wait.waitUntilWaiting(kPatienceMs));
    player.stop();
}

}  // namespace
}  // namespace qmt
