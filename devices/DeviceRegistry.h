#pragma once
// The process-wide list of known controllers, kept up to date while the program runs. A
// device, once known, stays listed (present or not) until it is removed on request.
//
// Locking: one registry mutex guards the lists. It is recursive, like the Windows mutex it
// stands for, so an event handler (called with the mutex held, on the enumerating thread)
// may call back into the registry, including removeDevice and the handler operations.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "common/TimedWaitIf.h"
#include "common/Vector.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceModelIf.h"
#include "platform/DeviceEnumeratorIf.h"

namespace qmt {

class DevicePollingThread;

class DeviceRegistry : private DeviceChangeListenerIf {
  public:
    // How the registry follows plugging: the agent waits for HID notices and enumerates once
    // a burst of them has settled; the other programs poll.
    enum class ChangeWatch : uint8_t { Polling, Notification };
    static constexpr uint32_t kPollIntervalMs = 5000;
    static constexpr uint32_t kNotificationDelayMs = 500;
    // Output sizes of the enumeration's serial read and tree walk.
    static constexpr size_t kSerialCapacity = 128;
    static constexpr size_t kControlDeviceCapacity = 256;
    // An interface path must fit the 528-byte detail record.
    static constexpr size_t kMaxInterfacePath = 519;

    // Takes the models (their order decides which model claims an identifier first) and
    // becomes the process-wide registry. `clock` and `wait` default to real time.
    DeviceRegistry(DeviceEnumeratorIf& devices, std::vector<std::unique_ptr<DeviceModelIf>> models,
                   ChangeWatch watch = ChangeWatch::Polling, TickClockIf* clock = nullptr,
                   TimedWaitIf* wait = nullptr);
    ~DeviceRegistry() override;
    DeviceRegistry(const DeviceRegistry&) = delete;
    DeviceRegistry& operator=(const DeviceRegistry&) = delete;

    static DeviceRegistry* instance();

    // The registry mutex. A device may be forgotten (and destroyed) by another thread at any
    // time it is not held, so a thread other than the enumerating one holds it while it uses
    // the devices it looked up.
    std::recursive_mutex& mutex() { return mutex_; }

    // Loads the settings, enumerates once, then starts following changes. False when the
    // change watcher cannot be started (the devices found are still listed).
    bool initialize();

    // Settings hook, called first by initialize(); the audio registry loads its settings here.
    virtual void loadSettings() {}
    virtual bool saveSettings() { return true; }
    virtual DeviceInfo* createDeviceInfo(const std::string& hidDeviceId,
                                         const std::string* audioDeviceId, size_t index,
                                         const std::string& serial, DeviceModelIf* model);

    size_t getNumberOfDevices();
    DeviceInfo* getDevice(size_t index);
    // Lookups ignore case; an empty serial names no device.
    DeviceInfo* getDeviceWithHidDeviceId(const std::string& id);
    DeviceInfo* getDeviceWithSerialNumber(const std::string& serial);
    DeviceInfo* getDeviceWithAudioDeviceId(const std::string& id);

    size_t getNumberOfModels() const { return models_.size(); }
    DeviceModelIf* getModel(size_t index) const { return models_.get(index); }

    // The handler is told about every known device before this returns.
    bool addEventHandler(DeviceInfo::EventHandlerIf* handler);
    void removeEventHandler(DeviceInfo::EventHandlerIf* handler);

    void makeRestorePoint();
    void rollbackChanges();

    // One pass over the present HID interfaces.
    virtual void enumerateDevices();
    // Creates a present device at the end of the list and tells the handlers; null on failure.
    DeviceInfo* addDevice(const std::string& hidDeviceId, const std::string* audioDeviceId,
                          const std::string& serial, DeviceModelIf* model);
    // Forgets an absent device: later devices move up one index, handlers get
    // (device, 0xFFFFFFFF, old state), then it is destroyed. A present device is kept (false).
    bool removeDevice(DeviceInfo* device);
    // Sets or clears state bits and tells the handlers when the word changed.
    void changeState(DeviceInfo* device, uint32_t bits, bool set);

    // Notification watch only: runs the enumeration once the quiet time after the last
    // relevant notice has passed. The owner calls it from its own loop (its timer); true
    // when it enumerated.
    bool serviceTimer();
    // Milliseconds until serviceTimer() has work, kInfinite when no notice is pending.
    uint32_t msUntilTimer();

  protected:
    // Stops following changes. A derived registry calls it first in its destructor, so that
    // the polling thread never runs its enumeration on a half-destroyed object.
    void stopWatcher();
    DeviceEnumeratorIf& devices() { return devices_; }
    // Appends a device as it is, without touching its state or telling the handlers: for
    // devices read from settings before anything was enumerated. False when the list cannot
    // grow (the caller keeps the device).
    bool appendDevice(DeviceInfo* device);
    // Orders the devices by index, ties in list order, and renumbers them 0, 1, 2, ...
    void sortDevicesByIndex();
    void tellHandlers(DeviceInfo* device, uint32_t newState, uint32_t oldState);

  private:
    void hidInterfaceChanged(const std::string& path, bool arrived) override;
    bool startWatcher();
    void tellHandlerAbout(DeviceInfo::EventHandlerIf* handler, DeviceInfo* device);
    bool isHandler(DeviceInfo::EventHandlerIf* handler) const;
    bool isInterfaceOfHidClass(const DeviceInterfaceEntry& entry, const std::string& hidClass);
    DeviceModelIf* identify(const std::string& path, std::string& serial);
    void updateFromInterface(const std::string& path, const std::vector<DeviceInfo*>& presentBefore,
                             std::vector<DeviceInfo*>& seen);
    DeviceInfo* findMatch(const std::string& path, const std::string& serial, DeviceModelIf* model);

    DeviceEnumeratorIf& devices_;
    Vector<DeviceModelIf> models_;   // owned
    Vector<DeviceInfo> deviceList_;  // owned
    std::recursive_mutex mutex_;
    std::vector<DeviceInfo::EventHandlerIf*> handlers_;  // not owned

    const ChangeWatch watch_;
    TickClockIf& clock_;
    TimedWaitIf& wait_;
    bool initialized_ = false;
    std::unique_ptr<DevicePollingThread> pollingThread_;
    bool notificationRegistered_ = false;
    std::mutex timerMutex_;
    bool timerArmed_ = false;
    uint32_t timerDeadline_ = 0;
};

}  // namespace qmt
