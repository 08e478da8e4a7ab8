#include "devices/MidiDeviceModels.h"

#include "devices/QmtArdoDeviceModel.h"
#include "devices/QmtArdoRawDeviceModel.h"
#include "devices/QmtKv10DeviceModel.h"
#include "devices/QmtKv5DeviceModel.h"

namespace qmt {

std::vector<std::unique_ptr<DeviceModelIf>> MidiDeviceModels(DeviceEnumeratorIf& devices) {
    std::vector<std::unique_ptr<DeviceModelIf>> models;
    models.push_back(std::make_unique<QmtKv10DeviceModel>(devices));
    models.push_back(std::make_unique<QmtKv5DeviceModel>(devices));
    models.push_back(std::make_unique<QmtArdoDeviceModel>(devices));
    models.push_back(std::make_unique<QmtArdoRawDeviceModel>(devices));
    return models;
}

}  // namespace qmt
