#pragma once
// One known controller: its identifiers, its place in the registry, its model, its state
// word and serial number. The audio programs derive from it to add their own state.

#include <cstddef>
#include <cstdint>
#include <string>

namespace qmt {

class DeviceModelIf;

class DeviceInfo {
  public:
    // State word bit: the controller is plugged in.
    static constexpr uint32_t kPresent = 2;
    // The old word of a device a handler has not seen yet, and the new word of a forgotten one.
    static constexpr uint32_t kUnknownState = 0xFFFFFFFF;
    // Up to 15 characters; a longer serial is stored empty.
    static constexpr size_t kMaxSerialLength = 15;

    class EventHandlerIf {
      public:
        virtual ~EventHandlerIf() = default;
        virtual void stateChanged(DeviceInfo* device, uint32_t newState, uint32_t oldState) = 0;
    };

    DeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId, size_t index,
               const std::string& serial, DeviceModelIf* model);
    virtual ~DeviceInfo() = default;
    DeviceInfo(const DeviceInfo&) = delete;
    DeviceInfo& operator=(const DeviceInfo&) = delete;

    virtual void makeRestorePoint() { savedState_ = state_; }
    virtual void rollbackChanges() { state_ = savedState_; }

    const std::string& getHidDeviceId() const { return hidDeviceId_; }
    // Null when the device has no audio identifier.
    const std::string* getAudioDeviceId() const { return hasAudioId_ ? &audioDeviceId_ : nullptr; }
    size_t getIndex() const { return index_; }
    DeviceModelIf* getModel() const { return model_; }
    uint32_t getState() const { return state_; }
    uint32_t getSavedState() const { return savedState_; }
    bool isPresent() const { return (state_ & kPresent) != 0; }
    const std::string& getSerial() const { return serial_; }

    // For the registry that keeps the device.
    void setHidDeviceId(const std::string& id) { hidDeviceId_ = id; }
    void setAudioDeviceId(const std::string* id);
    void setIndex(size_t index) { index_ = index; }
    void setState(uint32_t state) { state_ = state; }

  private:
    std::string hidDeviceId_;
    std::string audioDeviceId_;
    bool hasAudioId_ = false;
    size_t index_;
    DeviceModelIf* model_;
    uint32_t state_ = 0;
    uint32_t savedState_ = 0;
    std::string serial_;
};

}  // namespace qmt
