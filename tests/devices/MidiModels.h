#pragma once
// The models the MIDI programs list, in their order.

#include <memory>
#include <vector>

#include "devices/QmtArdoDeviceModel.h"
#include "devices/QmtArdoRawDeviceModel.h"
#include "devices/QmtKv10DeviceModel.h"
#include "devices/QmtKv5DeviceModel.h"

namespace qmt {

inline std::vector<std::unique_ptr<DeviceModelIf>> midiModels(DeviceEnumeratorIf& devices) {
    std::vector<std::unique_ptr<DeviceModelIf>> models;
    models.push_back(std::make_unique<QmtKv10DeviceModel>(devices));
    models.push_back(std::make_unique<QmtKv5DeviceModel>(devices));
    models.push_back(std::make_unique<QmtArdoDeviceModel>(devices));
    models.push_back(std::make_unique<QmtArdoRawDeviceModel>(devices));
    return models;
}

}  // namespace qmt
