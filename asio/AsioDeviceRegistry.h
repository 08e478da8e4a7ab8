#pragma once
// The device registry of the audio programs (driver library and control panel): it finds the
// controllers by their audio interfaces, opens each one's render and capture filters and hands
// them to the controller's AsioDeviceInfo, keeps the per-user settings of every controller
// ever seen (by serial number), and assigns ASIO channels to controllers that have none.
//
// Locking: everything runs under the registry mutex of the base (recursive); enumeration runs
// on the polling thread every 5000 ms and handlers hear of changes there. Ownership: the
// registry owns its device infos (and through them their filters); the brand, the device tree,
// the card service and the settings store belong to the caller and outlive the registry.

#include <memory>
#include <vector>

#include "asio/AsioBrandIf.h"
#include "asio/AsioDeviceInfo.h"
#include "asio/AsioUsedChannels.h"
#include "devices/DeviceRegistry.h"
#include "platform/AudioCardService.h"
#include "platform/Registry.h"

namespace qmt {

class AsioDeviceRegistry final : public DeviceRegistry {
  public:
    // `clock` and `wait` default to real time (tests pass their own to poll by hand).
    AsioDeviceRegistry(const AsioBrandIf& brand, DeviceEnumeratorIf& devices,
                       AudioCardServiceIf& cards, RegistryIf& settings,
                       std::vector<std::unique_ptr<DeviceModelIf>> models,
                       TickClockIf* clock = nullptr, TimedWaitIf* wait = nullptr);
    ~AsioDeviceRegistry() override;

    // Reads the device keys into absent device infos (sorted by key number, renumbered from 0)
    // and gives every unassigned channel an ASIO channel, in serial-number order.
    void loadSettings() override;
    // Writes every known device's settings; the buffer size is the caller's to write.
    bool saveSettings() override;
    // The model's device info with channels assigned (forced), holding the filters the
    // enumeration opened for it; null for a model type without audio.
    DeviceInfo* createDeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId,
                                 size_t index, const std::string& serial,
                                 DeviceModelIf* model) override;
    // One pass over the present audio interfaces.
    void enumerateDevices() override;

    AsioDeviceInfo* getAsioDevice(size_t index);
    // The ASIO inputs and outputs that any configuration of any known device maps.
    AsioUsedChannels getUsedChannels();

  private:
    struct Identified {
        DeviceModelIf* model = nullptr;
        std::string hidDeviceId;
        std::string serial;
    };

    DeviceModelIf* findModelOfType(uint32_t type);
    void assignInSerialOrder();
    bool isListed(const DeviceInfo* device);
    bool identify(const DeviceInterfaceEntry& entry, Identified& found);
    bool aliasCounts(const std::string& path, InterfaceCategory alias);
    AsioDeviceInfo* findKnown(const std::string& path, const Identified& found);
    void attachFilters(AsioDeviceInfo& device, const std::string& path);
    void updateFromInterface(const DeviceInterfaceEntry& entry,
                             const std::vector<DeviceInfo*>& presentBefore,
                             std::vector<DeviceInfo*>& seen);
    void detach(AsioDeviceInfo& device);

    const AsioBrandIf& brand_;
    AudioCardServiceIf& cards_;
    RegistryIf& settings_;
    // Filters opened for a device about to be created; createDeviceInfo hands them over.
    std::unique_ptr<CKsAudRenFilter> pendingRender_;
    std::unique_ptr<CKsAudCapFilter> pendingCapture_;
};

}  // namespace qmt
