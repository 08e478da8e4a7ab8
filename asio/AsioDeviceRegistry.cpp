#include "asio/AsioDeviceRegistry.h"

#include <algorithm>

#include "asio/AsioDeviceSettingsStore.h"
#include "asio/AsioModelTypes.h"
#include "asio/BrxKrt4AsioDeviceInfo.h"
#include "asio/CKsAudFilter.h"
#include "asio/QmtArdoAsioDeviceInfo.h"
#include "asio/QmtKv10AsioDeviceInfo.h"
#include "asio/QmtKv5AsioDeviceInfo.h"

namespace qmt {

namespace {

std::unique_ptr<AsioDeviceInfo> makeDeviceInfo(const std::string& hidDeviceId,
                                               const std::string* audioDeviceId, size_t index,
                                               const std::string& serial, DeviceModelIf* model) {
    switch (model->getType()) {
        case kAsioModelKv10:
            return std::make_unique<QmtKv10AsioDeviceInfo>(hidDeviceId, audioDeviceId, index,
                                                           serial, model);
        case kAsioModelKv5:
            return std::make_unique<QmtKv5AsioDeviceInfo>(hidDeviceId, audioDeviceId, index, serial,
                                                          model);
        case kAsioModelArdo:
        case kAsioModelArdoRawProto2009:
        case kAsioModelArdoRaw:
            return std::make_unique<QmtArdoAsioDeviceInfo>(hidDeviceId, audioDeviceId, index,
                                                           serial, model);
        case kAsioModelKrt4:
            // Only the second brand lists the KRT4 model, so only its build gets here.
            return std::make_unique<BrxKrt4AsioDeviceInfo>(hidDeviceId, audioDeviceId, index,
                                                           serial, model);
        default:
            return nullptr;
    }
}

}  // namespace

AsioDeviceRegistry::AsioDeviceRegistry(const AsioBrandIf& brand, DeviceEnumeratorIf& devices,
                                       AudioCardServiceIf& cards, RegistryIf& settings,
                                       std::vector<std::unique_ptr<DeviceModelIf>> models,
                                       TickClockIf* clock, TimedWaitIf* wait)
    : DeviceRegistry(devices, std::move(models), ChangeWatch::Polling, clock, wait),
      brand_(brand),
      cards_(cards),
      settings_(settings) {}

AsioDeviceRegistry::~AsioDeviceRegistry() {
    // The polling thread must not enumerate on a half-destroyed registry.
    stopWatcher();
}

DeviceInfo* AsioDeviceRegistry::createDeviceInfo(const std::string& hidDeviceId,
                                                 const std::string* audioDeviceId, size_t index,
                                                 const std::string& serial, DeviceModelIf* model) {
    std::unique_ptr<CKsAudRenFilter> render = std::move(pendingRender_);
    std::unique_ptr<CKsAudCapFilter> capture = std::move(pendingCapture_);
    if (model == nullptr) return nullptr;
    std::unique_ptr<AsioDeviceInfo> device =
        makeDeviceInfo(hidDeviceId, audioDeviceId, index, serial, model);
    if (!device) return nullptr;
    device->setRenderFilter(std::move(render));
    device->setCaptureFilter(std::move(capture));
    brand_.getChannelAssigner().assignChannels(*device, getUsedChannels(), true);
    return device.release();
}

AsioDeviceInfo* AsioDeviceRegistry::getAsioDevice(size_t index) {
    // Every device of this registry was made by createDeviceInfo above.
    return static_cast<AsioDeviceInfo*>(getDevice(index));
}

AsioUsedChannels AsioDeviceRegistry::getUsedChannels() {
    std::lock_guard lock(mutex());
    AsioUsedChannels used;
    for (size_t i = 0; i < getNumberOfDevices(); ++i) {
        const AsioDeviceInfo& device = *getAsioDevice(i);
        for (size_t c = 0; c < device.getNumberOfConfigurations(); ++c)
            used.add(*device.getConfiguration(c));
    }
    return used;
}

DeviceModelIf* AsioDeviceRegistry::findModelOfType(uint32_t type) {
    for (size_t i = 0; i < getNumberOfModels(); ++i) {
        if (getModel(i)->getType() == type) return getModel(i);
    }
    return nullptr;
}

void AsioDeviceRegistry::loadSettings() {
    std::lock_guard lock(mutex());
    AsioDeviceSettingsStore store(settings_, brand_.getRegistryKey());
    std::vector<AsioDeviceSettingsStore::StoredDevice> stored;
    if (!store.listDevices(stored)) return;
    for (const AsioDeviceSettingsStore::StoredDevice& entry : stored) {
        DeviceModelIf* model = findModelOfType(entry.type);
        // A serial already read belongs to one controller; a second key for it (edited by
        // hand) would list a controller that can never be seen.
        if (model == nullptr || getDeviceWithSerialNumber(entry.serial) != nullptr) continue;
        std::unique_ptr<DeviceInfo> created(
            createDeviceInfo(std::string(), nullptr, entry.number, entry.serial, model));
        auto* device = static_cast<AsioDeviceInfo*>(created.get());
        if (device == nullptr) continue;
        device->setStored(true);
        store.readChannels(entry.keyName, *device);
        if (!appendDevice(device)) break;
        created.release();
    }
    sortDevicesByIndex();
    assignInSerialOrder();
}

void AsioDeviceRegistry::assignInSerialOrder() {
    std::vector<AsioDeviceInfo*> devices;
    for (size_t i = 0; i < getNumberOfDevices(); ++i)
        devices.push_back(getAsioDevice(i));
    std::stable_sort(devices.begin(), devices.end(), [](AsioDeviceInfo* a, AsioDeviceInfo* b) {
        return a->getSerial() < b->getSerial();
    });
    for (AsioDeviceInfo* device : devices)
        brand_.getChannelAssigner().assignChannels(*device, getUsedChannels(), false);
}

bool AsioDeviceRegistry::saveSettings() {
    std::lock_guard lock(mutex());
    std::vector<AsioDeviceInfo*> devices;
    for (size_t i = 0; i < getNumberOfDevices(); ++i)
        devices.push_back(getAsioDevice(i));
    AsioDeviceSettingsStore store(settings_, brand_.getRegistryKey());
    if (!store.save(devices)) return false;
    // Saved devices now come from the settings as far as the control panel is concerned.
    for (AsioDeviceInfo* device : devices)
        device->setStored(true);
    return true;
}

}  // namespace qmt

namespace qmt {

namespace {

bool holds(const std::vector<DeviceInfo*>& list, const DeviceInfo* device) {
    return std::find(list.begin(), list.end(), device) != list.end();
}

template <typename Filter>
std::unique_ptr<Filter> openFilter(AudioCardServiceIf& cards, const std::string& path) {
    HRESULT hr = S_OK;
    auto filter = std::make_unique<Filter>(cards, path, hr);
    return Succeeded(hr) ? std::move(filter) : nullptr;
}

}  // namespace

bool AsioDeviceRegistry::isListed(const DeviceInfo* device) {
    for (size_t i = 0; i < getNumberOfDevices(); ++i) {
        if (getDevice(i) == device) return true;
    }
    return false;
}

bool AsioDeviceRegistry::identify(const DeviceInterfaceEntry& entry, Identified& found) {
    for (size_t i = 0; i < getNumberOfModels(); ++i) {
        DeviceModelIf* model = getModel(i);
        if (model->isAudioDevice(entry.path) &&
            model->findControlDevice(entry.node, found.hidDeviceId, kControlDeviceCapacity) &&
            model->getSerial(found.hidDeviceId, found.serial, kSerialCapacity)) {
            found.model = model;
            return true;
        }
    }
    return false;
}

bool AsioDeviceRegistry::aliasCounts(const std::string& path, InterfaceCategory alias) {
    uint32_t flags = 0;
    return devices().getInterfaceAlias(path, alias, flags) && flags != 0 &&
           (flags & kInterfaceRemoved) == 0;
}

AsioDeviceInfo* AsioDeviceRegistry::findKnown(const std::string& path, const Identified& found) {
    if (found.serial.size() <= DeviceInfo::kMaxSerialLength)
        return static_cast<AsioDeviceInfo*>(getDeviceWithSerialNumber(found.serial));
    // A serial too long to keep is stored empty, so such a controller is recognised by its
    // audio interface path instead; otherwise every replug would list it once more.
    auto* device = static_cast<AsioDeviceInfo*>(getDeviceWithAudioDeviceId(path));
    return device != nullptr && device->getSerial().empty() && device->getModel() == found.model
               ? device
               : nullptr;
}

void AsioDeviceRegistry::attachFilters(AsioDeviceInfo& device, const std::string& path) {
    if (device.getRenderFilter() == nullptr && aliasCounts(path, InterfaceCategory::Render)) {
        if (auto filter = openFilter<CKsAudRenFilter>(cards_, path))
            device.setRenderFilter(std::move(filter));
    }
    if (device.getCaptureFilter() == nullptr && aliasCounts(path, InterfaceCategory::Capture)) {
        if (auto filter = openFilter<CKsAudCapFilter>(cards_, path))
            device.setCaptureFilter(std::move(filter));
    }
}

void AsioDeviceRegistry::detach(AsioDeviceInfo& device) {
    device.setRenderFilter(nullptr);
    device.setCaptureFilter(nullptr);
    // The streaming side dropped the lost filters as the device left: the mark is answered.
    device.takeCardLost();
}

void AsioDeviceRegistry::updateFromInterface(const DeviceInterfaceEntry& entry,
                                             const std::vector<DeviceInfo*>& presentBefore,
                                             std::vector<DeviceInfo*>& seen) {
    auto* same = static_cast<AsioDeviceInfo*>(getDeviceWithAudioDeviceId(entry.path));
    // A device whose card was lost under a running stream goes on below as one moved between
    // two passes: it leaves and arrives again with new filters.
    if (same != nullptr && holds(presentBefore, same) && !same->takeCardLost()) {
        seen.push_back(same);
        return;
    }
    Identified found;
    if (!identify(entry, found)) return;
    AsioDeviceInfo* device = findKnown(entry.path, found);
    if (device == nullptr) {
        pendingRender_.reset();
        pendingCapture_.reset();
        if (aliasCounts(entry.path, InterfaceCategory::Render))
            pendingRender_ = openFilter<CKsAudRenFilter>(cards_, entry.path);
        if (aliasCounts(entry.path, InterfaceCategory::Capture))
            pendingCapture_ = openFilter<CKsAudCapFilter>(cards_, entry.path);
        addDevice(found.hidDeviceId, &entry.path, found.serial, found.model);
        // Not taken when no device info could be made.
        pendingRender_.reset();
        pendingCapture_.reset();
        return;
    }
    if (device->isPresent()) {
        // Present under another audio interface (moved to another port between two passes) or
        // under the same one with its card lost (plugged back between two passes). Its filters
        // belong to the card that went away, so the streaming side first hears it leave and
        // drops them, then hears it arrive with the new ones.
        changeState(device, DeviceInfo::kPresent, false);
        if (!isListed(device)) return;
        detach(*device);
    }
    device->setHidDeviceId(found.hidDeviceId);
    device->setAudioDeviceId(&entry.path);
    attachFilters(*device, entry.path);
    if (!device->isPresent() &&
        (device->getRenderFilter() != nullptr || device->getCaptureFilter() != nullptr))
        changeState(device, DeviceInfo::kPresent, true);
    seen.push_back(device);
}

void AsioDeviceRegistry::enumerateDevices() {
    std::lock_guard lock(mutex());
    std::vector<DeviceInfo*> presentBefore;
    for (size_t i = 0; i < getNumberOfDevices(); ++i) {
        if (getDevice(i)->isPresent()) presentBefore.push_back(getDevice(i));
    }
    std::vector<DeviceInterfaceEntry> interfaces;
    // A refused list ends the pass without touching any state; the next pass tries again.
    if (!devices().listInterfaces(InterfaceCategory::Audio, interfaces)) return;

    std::vector<DeviceInfo*> seen;
    for (const DeviceInterfaceEntry& entry : interfaces) {
        if (entry.path.size() > kMaxInterfacePath) continue;
        updateFromInterface(entry, presentBefore, seen);
    }
    for (DeviceInfo* device : presentBefore) {
        // Only devices still listed are touched: a handler may have forgotten one meanwhile.
        if (!isListed(device) || holds(seen, device)) continue;
        changeState(device, DeviceInfo::kPresent, false);
        if (isListed(device)) detach(*static_cast<AsioDeviceInfo*>(device));
    }
}

}  // namespace qmt
