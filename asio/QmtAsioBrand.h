#pragma once
// The maker's brand of the audio programs. On Linux the library and the control panel carry
// the platform's file names (libqmtasio.so, qmtasioconfig); the registry names stay.

#include "asio/AsioBrandAbs.h"
#include "asio/QmtAsioBufferSizeModel.h"
#include "asio/QmtAsioChannelAssigner.h"

namespace qmt {

class QmtAsioBrand final : public AsioBrandAbs {
  public:
    static constexpr Guid kClassId = ParseGuid("DBF318C2-9324-4708-8EE9-574B885FC757");
    static constexpr AsioBrandTable kTable = {"QMT",
                                              "QMTASIO",
                                              "QMT ASIO Driver",
                                              "QMT ASIO",
                                              "libqmtasio.so",
                                              "qmtasioconfig",
                                              kClassId,
                                              24,
                                              48000,
                                              0,
                                              384000,
                                              false,
                                              false,
                                              false};

    QmtAsioBrand() : AsioBrandAbs(kTable) {}

    const AsioBufferSizeModelIf& getBufferSizeModel() const override { return bufferSizes_; }
    // "Channel #1", "Channel #2", ... for inputs and outputs alike.
    void getChannelName(char* buffer, size_t length, int32_t channel, bool isInput) const override;
    const AsioChannelAssignerIf& getChannelAssigner() const override { return assigner_; }
    const char* getAboutText() const override;
    // KV10, KV5, ARDO, ARDO RAW.
    std::vector<std::unique_ptr<DeviceModelIf>> createDeviceModels(
        DeviceEnumeratorIf& devices) const override;

  private:
    QmtAsioBufferSizeModel bufferSizes_;
    QmtAsioChannelAssigner assigner_;
};

}  // namespace qmt
