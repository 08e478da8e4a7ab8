#include "devices/DeviceRegistry.h"

#include <algorithm>
#include <atomic>

#include "common/AsciiCase.h"
#include "devices/DevicePollingThread.h"

namespace qmt {

namespace {

std::atomic<DeviceRegistry*> processRegistry{nullptr};

bool holds(const std::vector<DeviceInfo*>& list, const DeviceInfo* device) {
    return std::find(list.begin(), list.end(), device) != list.end();
}

TickClockIf& defaultClock() {
    static SteadyTickClock clock;
    return clock;
}

TimedWaitIf& defaultWait() {
    static SteadyTimedWait wait;
    return wait;
}

}  // namespace

DeviceRegistry::DeviceRegistry(DeviceEnumeratorIf& devices,
                               std::vector<std::unique_ptr<DeviceModelIf>> models,
                               ChangeWatch watch, TickClockIf* clock, TimedWaitIf* wait)
    : devices_(devices),
      watch_(watch),
      clock_(clock != nullptr ? *clock : defaultClock()),
      wait_(wait != nullptr ? *wait : defaultWait()) {
    for (auto& model : models) {
        if (model && models_.add(model.get())) model.release();
    }
    processRegistry.store(this);
}

DeviceRegistry::~DeviceRegistry() {
    stopWatcher();
    DeviceRegistry* self = this;
    processRegistry.compare_exchange_strong(self, nullptr);
    deviceList_.deleteAll();
    models_.deleteAll();
}

DeviceRegistry* DeviceRegistry::instance() {
    return processRegistry.load();
}

bool DeviceRegistry::initialize() {
    if (initialized_) return true;
    initialized_ = true;
    loadSettings();
    enumerateDevices();
    return startWatcher();
}

DeviceInfo* DeviceRegistry::createDeviceInfo(const std::string& hidDeviceId,
                                             const std::string* audioDeviceId, size_t index,
                                             const std::string& serial, DeviceModelIf* model) {
    return new DeviceInfo(hidDeviceId, audioDeviceId, index, serial, model);
}

size_t DeviceRegistry::getNumberOfDevices() {
    std::lock_guard lock(mutex_);
    return deviceList_.size();
}

DeviceInfo* DeviceRegistry::getDevice(size_t index) {
    std::lock_guard lock(mutex_);
    return deviceList_.get(index);
}

DeviceInfo* DeviceRegistry::getDeviceWithHidDeviceId(const std::string& id) {
    std::lock_guard lock(mutex_);
    for (DeviceInfo* device : deviceList_) {
        if (equalsIgnoreCase(device->getHidDeviceId(), id)) return device;
    }
    return nullptr;
}

DeviceInfo* DeviceRegistry::getDeviceWithSerialNumber(const std::string& serial) {
    if (serial.empty()) return nullptr;
    std::lock_guard lock(mutex_);
    for (DeviceInfo* device : deviceList_) {
        if (equalsIgnoreCase(device->getSerial(), serial)) return device;
    }
    return nullptr;
}

DeviceInfo* DeviceRegistry::getDeviceWithAudioDeviceId(const std::string& id) {
    std::lock_guard lock(mutex_);
    for (DeviceInfo* device : deviceList_) {
        const std::string* audio = device->getAudioDeviceId();
        if (audio != nullptr && equalsIgnoreCase(*audio, id)) return device;
    }
    return nullptr;
}

bool DeviceRegistry::addEventHandler(DeviceInfo::EventHandlerIf* handler) {
    if (handler == nullptr) return false;
    std::lock_guard lock(mutex_);
    if (isHandler(handler)) return true;
    handlers_.push_back(handler);
    // A snapshot: the handler may forget devices while it is told about them.
    const std::vector<DeviceInfo*> known = deviceList_.items();
    for (DeviceInfo* device : known) {
        if (!deviceList_.contains(device) || !isHandler(handler)) continue;
        tellHandlerAbout(handler, device);
    }
    return true;
}

void DeviceRegistry::removeEventHandler(DeviceInfo::EventHandlerIf* handler) {
    std::lock_guard lock(mutex_);
    std::erase(handlers_, handler);
}

bool DeviceRegistry::isHandler(DeviceInfo::EventHandlerIf* handler) const {
    return std::find(handlers_.begin(), handlers_.end(), handler) != handlers_.end();
}

void DeviceRegistry::tellHandlerAbout(DeviceInfo::EventHandlerIf* handler, DeviceInfo* device) {
    handler->stateChanged(device, 0, DeviceInfo::kUnknownState);
    // The first call may have forgotten the device or the handler.
    if (!deviceList_.contains(device) || !isHandler(handler)) return;
    if (device->getState() != 0) handler->stateChanged(device, device->getState(), 0);
}

void DeviceRegistry::tellHandlers(DeviceInfo* device, uint32_t newState, uint32_t oldState) {
    const std::vector<DeviceInfo::EventHandlerIf*> handlers = handlers_;
    const bool forgetting = newState == DeviceInfo::kUnknownState;
    for (DeviceInfo::EventHandlerIf* handler : handlers) {
        // An earlier handler may have forgotten (and so destroyed) the device meanwhile.
        if (!forgetting && !deviceList_.contains(device)) return;
        if (isHandler(handler)) handler->stateChanged(device, newState, oldState);
    }
}

void DeviceRegistry::makeRestorePoint() {
    std::lock_guard lock(mutex_);
    for (DeviceInfo* device : deviceList_)
        device->makeRestorePoint();
}

void DeviceRegistry::rollbackChanges() {
    std::lock_guard lock(mutex_);
    for (DeviceInfo* device : deviceList_)
        device->rollbackChanges();
}

void DeviceRegistry::changeState(DeviceInfo* device, uint32_t bits, bool set) {
    std::lock_guard lock(mutex_);
    if (device == nullptr || !deviceList_.contains(device)) return;
    const uint32_t oldState = device->getState();
    const uint32_t newState = set ? oldState | bits : oldState & ~bits;
    if (newState == oldState) return;
    device->setState(newState);
    tellHandlers(device, newState, oldState);
}

DeviceInfo* DeviceRegistry::addDevice(const std::string& hidDeviceId,
                                      const std::string* audioDeviceId, const std::string& serial,
                                      DeviceModelIf* model) {
    std::lock_guard lock(mutex_);
    DeviceInfo* device =
        createDeviceInfo(hidDeviceId, audioDeviceId, deviceList_.size(), serial, model);
    if (device == nullptr) return nullptr;
    device->setState(device->getState() | DeviceInfo::kPresent);
    if (!deviceList_.add(device)) {
        delete device;
        return nullptr;
    }
    const std::vector<DeviceInfo::EventHandlerIf*> handlers = handlers_;
    for (DeviceInfo::EventHandlerIf* handler : handlers) {
        if (!deviceList_.contains(device)) break;
        if (isHandler(handler)) tellHandlerAbout(handler, device);
    }
    return device;
}

bool DeviceRegistry::appendDevice(DeviceInfo* device) {
    std::lock_guard lock(mutex_);
    return device != nullptr && deviceList_.add(device);
}

void DeviceRegistry::sortDevicesByIndex() {
    std::lock_guard lock(mutex_);
    std::vector<DeviceInfo*>& devices = deviceList_.items();
    std::stable_sort(devices.begin(), devices.end(), [](DeviceInfo* a, DeviceInfo* b) {
        return a->getIndex() < b->getIndex();
    });
    for (size_t i = 0; i < devices.size(); ++i)
        devices[i]->setIndex(i);
}

bool DeviceRegistry::removeDevice(DeviceInfo* device) {
    std::lock_guard lock(mutex_);
    const size_t index = deviceList_.indexOf(device);
    if (index >= deviceList_.size() || device->isPresent()) return false;
    deviceList_.removeAt(index);
    for (size_t i = index; i < deviceList_.size(); ++i)
        deviceList_.get(i)->setIndex(i);
    tellHandlers(device, DeviceInfo::kUnknownState, device->getState());
    delete device;
    return true;
}

bool DeviceRegistry::isInterfaceOfHidClass(const DeviceInterfaceEntry& entry,
                                           const std::string& hidClass) {
    std::string deviceClass;
    return devices_.getDeviceClassGuid(entry.node, deviceClass) &&
           equalsIgnoreCase(deviceClass, hidClass);
}

DeviceModelIf* DeviceRegistry::identify(const std::string& path, std::string& serial) {
    for (DeviceModelIf* model : models_) {
        if (model->isHidDevice(path) && model->getSerial(path, serial, kSerialCapacity))
            return model;
    }
    return nullptr;
}

DeviceInfo* DeviceRegistry::findMatch(const std::string& path, const std::string& serial,
                                      DeviceModelIf* model) {
    if (serial.size() <= DeviceInfo::kMaxSerialLength) return getDeviceWithSerialNumber(serial);
    // A serial too long to keep is stored empty, so such a controller is recognised by its
    // interface path instead; otherwise every replug would list it once more.
    DeviceInfo* device = getDeviceWithHidDeviceId(path);
    return device != nullptr && device->getSerial().empty() && device->getModel() == model
               ? device
               : nullptr;
}

void DeviceRegistry::updateFromInterface(const std::string& path,
                                         const std::vector<DeviceInfo*>& presentBefore,
                                         std::vector<DeviceInfo*>& seen) {
    DeviceInfo* known = getDeviceWithHidDeviceId(path);
    if (known != nullptr && holds(presentBefore, known)) {
        seen.push_back(known);
        return;
    }
    std::string serial;
    DeviceModelIf* model = identify(path, serial);
    if (model == nullptr) return;
    DeviceInfo* device = findMatch(path, serial, model);
    if (device == nullptr) {
        addDevice(path, nullptr, serial, model);
        return;
    }
    device->setHidDeviceId(path);
    changeState(device, DeviceInfo::kPresent, true);
    seen.push_back(device);
}

void DeviceRegistry::enumerateDevices() {
    std::lock_guard lock(mutex_);
    std::vector<DeviceInfo*> presentBefore;
    for (DeviceInfo* device : deviceList_) {
        if (device->isPresent()) presentBefore.push_back(device);
    }
    std::string hidClass;
    const bool checkClass = devices_.getClassGuid(kHidClassName, hidClass);
    std::vector<DeviceInterfaceEntry> interfaces;
    // A refused list ends the pass without touching any state; the next pass tries again.
    if (!devices_.listInterfaces(InterfaceCategory::Hid, interfaces)) return;

    std::vector<DeviceInfo*> seen;
    for (const DeviceInterfaceEntry& entry : interfaces) {
        if (entry.path.size() > kMaxInterfacePath) continue;
        if (checkClass && !isInterfaceOfHidClass(entry, hidClass)) continue;
        updateFromInterface(entry.path, presentBefore, seen);
    }
    for (DeviceInfo* device : presentBefore) {
        // A handler may have forgotten it meanwhile; only listed devices are touched.
        if (!deviceList_.contains(device) || holds(seen, device)) continue;
        changeState(device, DeviceInfo::kPresent, false);
    }
}

bool DeviceRegistry::startWatcher() {
    if (watch_ == ChangeWatch::Notification) {
        notificationRegistered_ = devices_.registerHidNotification(this);
        return notificationRegistered_;
    }
    pollingThread_ = std::make_unique<DevicePollingThread>(*this, wait_, kPollIntervalMs);
    return pollingThread_->resume();
}

void DeviceRegistry::stopWatcher() {
    if (notificationRegistered_) devices_.unregisterHidNotification(this);
    notificationRegistered_ = false;
    if (pollingThread_) pollingThread_->stop();
    pollingThread_.reset();
    std::lock_guard lock(timerMutex_);
    timerArmed_ = false;
}

void DeviceRegistry::hidInterfaceChanged(const std::string& path, bool /*arrived*/) {
    const bool ours = std::any_of(models_.begin(), models_.end(),
                                  [&](DeviceModelIf* model) { return model->isHidDevice(path); });
    if (!ours) return;
    // Restarting the one timer makes a burst of notices give one enumeration.
    std::lock_guard lock(timerMutex_);
    timerArmed_ = true;
    timerDeadline_ = clock_.tickMs() + kNotificationDelayMs;
}

uint32_t DeviceRegistry::msUntilTimer() {
    std::lock_guard lock(timerMutex_);
    if (!timerArmed_) return kInfinite;
    const int32_t left = static_cast<int32_t>(timerDeadline_ - clock_.tickMs());
    return left > 0 ? static_cast<uint32_t>(left) : 0;
}

bool DeviceRegistry::serviceTimer() {
    {
        std::lock_guard lock(timerMutex_);
        if (!timerArmed_ || static_cast<int32_t>(clock_.tickMs() - timerDeadline_) < 0)
            return false;
        timerArmed_ = false;
    }
    enumerateDevices();
    return true;
}

}  // namespace qmt
