#pragma once
// A controller as the audio programs know it: the device info of the registry plus its
// configurations (one per way its sound card can be used, one of them selected), whether it
// came from the settings, and its two opened sound-card filters.
//
// Ownership: the device info owns its configurations and its filters (either may be absent).
// Threads: like every device info it is changed under the registry mutex (enumeration,
// settings, the control panel's edits); the streaming side reads it under that mutex too.
// The one exception is the lost-card mark, an atomic the streaming thread sets.

#include <atomic>
#include <cstddef>
#include <memory>

#include "asio/AsioDeviceConfigurationIf.h"
#include "common/Vector.h"
#include "devices/DeviceInfo.h"

namespace qmt {

class CKsAudCapFilter;
class CKsAudRenFilter;

class AsioDeviceInfo : public DeviceInfo {
  public:
    ~AsioDeviceInfo() override;

    // Besides the state word, every configuration's maps are saved or restored.
    void makeRestorePoint() override;
    void rollbackChanges() override;

    // The device was read from the settings (or has been saved to them since).
    bool isStored() const { return stored_; }
    void setStored(bool stored) { stored_ = stored; }

    size_t getNumberOfConfigurations() const { return configurations_.size(); }
    AsioDeviceConfigurationIf* getConfiguration(size_t index) const {
        return configurations_.get(index);
    }
    size_t getSelectedConfigurationIndex() const { return selected_; }
    AsioDeviceConfigurationIf* getSelectedConfiguration() const {
        return configurations_.get(selected_);
    }

    CKsAudRenFilter* getRenderFilter() const { return renderFilter_.get(); }
    CKsAudCapFilter* getCaptureFilter() const { return captureFilter_.get(); }
    // Each takes the filter (null for none) and deletes the one held before. The registry
    // sets the render filter first.
    virtual void setRenderFilter(std::unique_ptr<CKsAudRenFilter> filter);
    virtual void setCaptureFilter(std::unique_ptr<CKsAudCapFilter> filter);

    // The streaming thread marks a device whose card failed a stream request (pulled out, or
    // gone for a moment). A cable pulled and plugged back between two registry passes leaves
    // the same interface listed, so the registry would never see it leave; the mark makes its
    // next pass take the device for unplugged and plugged again, with its filters opened anew.
    // Any thread; taking the mark clears it.
    void markCardLost() { cardLost_.store(true); }
    bool takeCardLost() { return cardLost_.exchange(false); }
    bool isCardLost() const { return cardLost_.load(); }

  protected:
    AsioDeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId, size_t index,
                   const std::string& serial, DeviceModelIf* model);

    // Appends a configuration the device then owns.
    void addConfiguration(std::unique_ptr<AsioDeviceConfigurationIf> configuration);
    void selectConfiguration(size_t index) { selected_ = index; }

  private:
    bool stored_ = false;
    Vector<AsioDeviceConfigurationIf> configurations_;  // owned
    size_t selected_ = 0;
    std::unique_ptr<CKsAudRenFilter> renderFilter_;
    std::unique_ptr<CKsAudCapFilter> captureFilter_;
    std::atomic<bool> cardLost_{false};
};

}  // namespace qmt
