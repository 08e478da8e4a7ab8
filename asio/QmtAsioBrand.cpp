#include "asio/QmtAsioBrand.h"

#include <cstdio>

#include "devices/QmtArdoDeviceModel.h"
#include "devices/QmtArdoRawDeviceModel.h"
#include "devices/QmtKv10DeviceModel.h"
#include "devices/QmtKv5DeviceModel.h"

namespace qmt {

void QmtAsioBrand::getChannelName(char* buffer, size_t length, int32_t channel,
                                  bool /*isInput*/) const {
    if (buffer == nullptr || length == 0) return;
    std::snprintf(buffer, length, "Channel #%i", static_cast<int>(channel) + 1);
}

const char* QmtAsioBrand::getAboutText() const {
    return "QMT ASIO Driver, version 2\n"
           "Low-latency audio for the QMT KV10, KV5, ARDO and ARDO RAW controllers: every\n"
           "attached controller's sound card joined into one 16-in/16-out device.\n"
           "Copyright (C) QMT. All rights reserved.\n"
           "QMT, KV10, KV5 and ARDO are trademarks of QMT.\n"
           "\n"
           "ASIO Interface Technology by Steinberg Media Technologies GmbH";
}

std::vector<std::unique_ptr<DeviceModelIf>> QmtAsioBrand::createDeviceModels(
    DeviceEnumeratorIf& devices) const {
    std::vector<std::unique_ptr<DeviceModelIf>> models;
    models.push_back(std::make_unique<QmtKv10DeviceModel>(devices));
    models.push_back(std::make_unique<QmtKv5DeviceModel>(devices));
    models.push_back(std::make_unique<QmtArdoDeviceModel>(devices));
    models.push_back(std::make_unique<QmtArdoRawDeviceModel>(devices));
    return models;
}

}  // namespace qmt
