#include "midiconfig/QmtHidMultiPoller.h"

#include "devices/DeviceModelIf.h"

namespace qmt {

namespace {
// Wait-list slots before the devices' read events.
constexpr int kQuitSlot = 0;
constexpr int kOpenedSlot = 1;
constexpr int kRemovedSlot = 2;
constexpr int kFirstDeviceSlot = 3;
}  // namespace

std::unique_ptr<QmtHidMultiPoller> QmtHidMultiPoller::create(DeviceRegistry& registry,
                                                             HidFileSystemIf& files,
                                                             QmtHidObserverIf& observer) {
    std::unique_ptr<QmtHidMultiPoller> poller(new QmtHidMultiPoller(registry, files, observer));
    if (!registry.addEventHandler(poller.get())) return nullptr;
    return poller;
}

QmtHidMultiPoller::QmtHidMultiPoller(DeviceRegistry& registry, HidFileSystemIf& files,
                                     QmtHidObserverIf& observer)
    : QmtHidPollerAbs(observer), registry_(registry), files_(files) {}

QmtHidMultiPoller::~QmtHidMultiPoller() {
    registry_.removeEventHandler(this);
    stop();
    std::lock_guard lock(openListMutex_);
    open_.clear();
    opened_.clear();
}

size_t QmtHidMultiPoller::openDeviceCount() {
    std::lock_guard lock(openListMutex_);
    return open_.size();
}

void QmtHidMultiPoller::stateChanged(DeviceInfo* device, uint32_t newState, uint32_t oldState) {
    if (device == nullptr) return;
    // A forgotten device reports the all-ones word, which must not read as "present".
    if (newState == DeviceInfo::kUnknownState) {
        queueRemoval(device->getHidDeviceId());
        return;
    }
    const bool present = (newState & DeviceInfo::kPresent) != 0;
    const bool wasPresent =
        oldState != DeviceInfo::kUnknownState && (oldState & DeviceInfo::kPresent) != 0;
    if (present && !wasPresent) openDevice(*device);
    if (!present && wasPresent) queueRemoval(device->getHidDeviceId());
}

void QmtHidMultiPoller::openDevice(DeviceInfo& device) {
    if (device.getModel() == nullptr) return;
    std::unique_ptr<HidIoDeviceInfo> record = HidIoDeviceInfo::Open(
        files_, device.getHidDeviceId(), device.getModel()->getType(), device.getIndex());
    if (!record || !record->startRead()) return;
    std::lock_guard lock(openedMutex_);
    opened_.push_back(std::move(record));
    if (!openedCount_.release()) opened_.pop_back();  // a full queue: not polled
}

void QmtHidMultiPoller::queueRemoval(const std::string& path) {
    std::lock_guard lock(removedMutex_);
    removed_.push_back(path);
    if (!removedCount_.release()) removed_.pop_back();
}

void QmtHidMultiPoller::takeOpened() {
    std::unique_ptr<HidIoDeviceInfo> record;
    {
        std::lock_guard lock(openedMutex_);
        if (opened_.empty()) return;
        record = std::move(opened_.front());
        opened_.pop_front();
    }
    std::lock_guard lock(openListMutex_);
    open_.push_back(std::move(record));
}

void QmtHidMultiPoller::takeRemoved() {
    std::string path;
    {
        std::lock_guard lock(removedMutex_);
        if (removed_.empty()) return;
        path = std::move(removed_.front());
        removed_.pop_front();
    }
    for (size_t i = 0; i < open_.size(); ++i) {
        if (open_[i]->path() != path) continue;
        closeDevice(i);
        return;
    }
}

void QmtHidMultiPoller::closeDevice(size_t index) {
    std::unique_ptr<HidIoDeviceInfo> record;
    {
        std::lock_guard lock(openListMutex_);
        record = std::move(open_[index]);
        open_.erase(open_.begin() + static_cast<ptrdiff_t>(index));
    }
    // Destroyed outside the lock: it cancels and joins the device's read.
}

void QmtHidMultiPoller::run() {
    std::vector<Waitable*> waitList;
    for (;;) {
        waitList = {&quitEvent(), &openedCount_, &removedCount_};
        for (const auto& record : open_)
            waitList.push_back(&record->readEvent());
        const int slot = Waitable::waitForAny(waitList, kInfinite);
        if (slot == kQuitSlot || slot < 0) return;
        if (slot == kOpenedSlot) {
            takeOpened();
        } else if (slot == kRemovedSlot) {
            takeRemoved();
        } else {
            const size_t index = static_cast<size_t>(slot - kFirstDeviceSlot);
            if (!readFinished(*open_[index])) closeDevice(index);
        }
    }
}

}  // namespace qmt
