#pragma once
// The second brand's audio programs, built from the same sources for the KRT4. On Linux the
// library and the control panel are libbrxasio.so and brxasioconfig; the registry names stay.

#include "asio/AsioBrandAbs.h"
#include "asio/BrxAsioBufferSizeModel.h"
#include "asio/BrxAsioChannelAssigner.h"

namespace qmt {

class BrxAsioBrand final : public AsioBrandAbs {
  public:
    static constexpr Guid kClassId = ParseGuid("3C662062-2BD0-49EA-8F2D-82A38D74823B");
    // The KRT4 runs at 44.1 kHz only; its mode is shown in the control panel.
    static constexpr AsioBrandTable kTable = {"BRX",
                                              "BRXASIO",
                                              "BRX ASIO Driver",
                                              "BRX ASIO",
                                              "libbrxasio.so",
                                              "brxasioconfig",
                                              kClassId,
                                              16,
                                              44100,
                                              44100,
                                              44100,
                                              false,
                                              false,
                                              true};

    BrxAsioBrand() : AsioBrandAbs(kTable) {}

    const AsioBufferSizeModelIf& getBufferSizeModel() const override { return bufferSizes_; }
    // "In 1", "In 2", ... and "Out 1", "Out 2", ...
    void getChannelName(char* buffer, size_t length, int32_t channel, bool isInput) const override;
    const AsioChannelAssignerIf& getChannelAssigner() const override { return assigner_; }
    const char* getAboutText() const override;
    // KRT4 only: the brand's assigner knows no other model's configurations.
    std::vector<std::unique_ptr<DeviceModelIf>> createDeviceModels(
        DeviceEnumeratorIf& devices) const override;

  private:
    BrxAsioBufferSizeModel bufferSizes_;
    BrxAsioChannelAssigner assigner_;
};

}  // namespace qmt
