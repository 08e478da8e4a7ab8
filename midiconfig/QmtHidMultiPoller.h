#pragma once
// Reads every connected controller while the preset editor is open, so that touching a
// control on the device selects it in the editor.
//
// The device registry tells the poller of controllers coming and going (for the ones known
// already, at registration). Coming: the device is opened and its first read started right
// there, on the registry's thread, and the record is queued for the poller's thread with a
// semaphore count. Going: its path is queued on a second queue with its own semaphore. The
// poller's thread waits on its quit event, the two semaphores and every open device's read
// event, takes up queued records, closes removed ones (first open record with that path),
// and hands each finished read to QmtHidPollerAbs.
//
// Threads and locks: the registry calls stateChanged with its mutex held; the two queues
// have a lock each (taken alone, never with another); the open list belongs to the poller's
// thread. The observer is called on the poller's thread only.
//
// Life: create() registers with the registry; start() runs the thread; the destructor
// unregisters first (no more notices), then stops the thread, then closes every record,
// open or still queued, so no read outlives the poller. An unplugged controller's reads fail
// and it is closed after the third; a controller that cannot be opened is not polled.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/Semaphore.h"
#include "common/ThreadAbs.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceRegistry.h"
#include "midiconfig/HidIoDeviceInfo.h"
#include "midiconfig/QmtHidPollerAbs.h"
#include "platform/HidDevices.h"

namespace qmt {

class QmtHidMultiPoller final : public QmtHidPollerAbs,
                                public ThreadAbs,
                                public DeviceInfo::EventHandlerIf {
  public:
    static constexpr uint32_t kQueueLimit = 255;  // maximum count of each semaphore

    // Null when the poller cannot register with the registry.
    static std::unique_ptr<QmtHidMultiPoller> create(DeviceRegistry& registry,
                                                     HidFileSystemIf& files,
                                                     QmtHidObserverIf& observer);
    ~QmtHidMultiPoller() override;

    // Runs the poller's thread; true when it runs.
    bool start() { return resume(); }
    bool started() { return isRunning(); }
    // Devices the poller's thread reads now (tests look; the thread changes it).
    size_t openDeviceCount();

    void stateChanged(DeviceInfo* device, uint32_t newState, uint32_t oldState) override;

  private:
    QmtHidMultiPoller(DeviceRegistry& registry, HidFileSystemIf& files, QmtHidObserverIf& observer);

    void run() override;
    void openDevice(DeviceInfo& device);
    void queueRemoval(const std::string& path);
    void takeOpened();
    void takeRemoved();
    void closeDevice(size_t index);

    DeviceRegistry& registry_;
    HidFileSystemIf& files_;

    Semaphore openedCount_{0, kQueueLimit};
    std::mutex openedMutex_;
    std::deque<std::unique_ptr<HidIoDeviceInfo>> opened_;
    Semaphore removedCount_{0, kQueueLimit};
    std::mutex removedMutex_;
    std::deque<std::string> removed_;

    std::mutex openListMutex_;  // only for openDeviceCount(); the thread alone changes the list
    std::vector<std::unique_ptr<HidIoDeviceInfo>> open_;
};

}  // namespace qmt
