#include "asio/BrxAsioBrand.h"

#include <cstdio>

#include "devices/BrxKrt4DeviceModel.h"

namespace qmt {

void BrxAsioBrand::getChannelName(char* buffer, size_t length, int32_t channel,
                                  bool isInput) const {
    if (buffer == nullptr || length == 0) return;
    std::snprintf(buffer, length, isInput ? "In %u" : "Out %u", static_cast<unsigned>(channel) + 1);
}

const char* BrxAsioBrand::getAboutText() const {
    return "BRX ASIO Driver, version 2\n"
           "Low-latency audio for the BRX KRT4 in both of its modes.\n"
           "Copyright (C) BRX. All rights reserved.\n"
           "BRX and KRT4 are trademarks of BRX.\n"
           "\n"
           "ASIO Interface Technology by Steinberg Media Technologies GmbH";
}

std::vector<std::unique_ptr<DeviceModelIf>> BrxAsioBrand::createDeviceModels(
    DeviceEnumeratorIf& devices) const {
    std::vector<std::unique_ptr<DeviceModelIf>> models;
    models.push_back(std::make_unique<BrxKrt4DeviceModel>(devices));
    return models;
}

}  // namespace qmt
