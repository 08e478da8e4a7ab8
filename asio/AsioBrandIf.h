#pragma once
// The brand of the audio programs (driver library and control panel): names, the class
// identifier, sample width and rate limits, the buffer-size model, channel names, the channel
// assigner, the about text and what the control panel shows. One per process, created once
// and kept for the process's lifetime; it owns its buffer-size model and channel assigner.
//
// Every operation is const and the brand never changes once made, so any thread may use it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "asio/AsioBufferSizeModelIf.h"
#include "asio/AsioChannelAssignerIf.h"
#include "common/Guid.h"
#include "devices/BrandIf.h"
#include "devices/DeviceModelIf.h"

namespace qmt {

class AsioBrandIf : public BrandIf {
  public:
    // Registry key names: "Software\<maker>\<product>"; the product name also prefixes the
    // named events and describes the driver to hosts.
    virtual const char* getMakerName() const = 0;
    virtual const char* getProductName() const = 0;
    virtual const char* getLongDriverName() const = 0;
    // What getDriverName reports to hosts.
    virtual const char* getDriverName() const = 0;
    virtual const char* getLibraryFileName() const = 0;
    virtual const char* getControlPanelFileName() const = 0;
    virtual const Guid& getClassId() const = 0;
    virtual uint32_t getSampleBitDepth() const = 0;
    virtual double getDefaultSampleRate() const = 0;
    virtual double getMinimumSampleRate() const = 0;
    virtual double getMaximumSampleRate() const = 0;
    virtual const AsioBufferSizeModelIf& getBufferSizeModel() const = 0;
    // Writes the channel's name into `buffer`: at most length - 1 characters, always
    // terminated (nothing is written when length is 0). Channels count from 0.
    virtual void getChannelName(char* buffer, size_t length, int32_t channel,
                                bool isInput) const = 0;
    virtual const AsioChannelAssignerIf& getChannelAssigner() const = 0;
    virtual const char* getAboutText() const = 0;
    // Control panel: the settings of absent devices may be removed (absent devices are
    // listed and the Status column is shown).
    virtual bool canRemoveAbsentDevices() const = 0;
    // Control panel: every configuration of a device is listed, with the Status column.
    virtual bool listsAllConfigurations() const = 0;
    // Control panel: the Mode column is shown.
    virtual bool showsModeColumn() const = 0;

    // Beyond the table: the device models this brand's programs list, in their order.
    virtual std::vector<std::unique_ptr<DeviceModelIf>> createDeviceModels(
        DeviceEnumeratorIf& devices) const = 0;

    // "Software\<maker>\<product>".
    std::string getRegistryKey() const;
    // The process's brand when it is an audio brand, else null.
    static AsioBrandIf* instance();
};

}  // namespace qmt
