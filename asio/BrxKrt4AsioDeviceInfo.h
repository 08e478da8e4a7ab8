#pragma once
// A KRT4: both of its modes as configurations (8-out-2-in first, then 4-out-4-in). The mode
// is the hardware's, so the selection follows it: when a render filter is attached, the
// first configuration with a format that one of its render pins accepts is selected. When
// none fits (or the filter cannot be opened), the selection stays as it was.

#include "asio/AsioDeviceInfo.h"

namespace qmt {

class BrxKrt4AsioDeviceInfo final : public AsioDeviceInfo {
  public:
    BrxKrt4AsioDeviceInfo(const std::string& hidDeviceId, const std::string* audioDeviceId,
                          size_t index, const std::string& serial, DeviceModelIf* model);

    void setRenderFilter(std::unique_ptr<CKsAudRenFilter> filter) override;

  private:
    void probeConfiguration(CKsAudRenFilter& filter);
    bool acceptsSomeFormat(CKsAudRenFilter& filter, const AsioDeviceConfigurationIf& config);
};

}  // namespace qmt
