#include "ControllerModel.h"

namespace qmt::vm {

namespace {

// Short items of the HID report descriptor language: tag/type/size byte, then the data.
void Item(std::vector<uint8_t>& out, uint8_t prefix, uint32_t value, size_t size) {
    const uint8_t sizeCode = size == 4 ? 3 : static_cast<uint8_t>(size);
    out.push_back(static_cast<uint8_t>(prefix | sizeCode));
    for (size_t i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

constexpr uint8_t kUsagePage = 0x04, kUsage = 0x08, kCollection = 0xA0, kEndCollection = 0xC0;
constexpr uint8_t kLogicalMinimum = 0x14, kLogicalMaximum = 0x24;
constexpr uint8_t kReportSize = 0x74, kReportCount = 0x94;
constexpr uint8_t kInput = 0x80, kOutput = 0x90;
constexpr uint32_t kDataVariableAbsolute = 0x02;

void ByteArray(std::vector<uint8_t>& out, uint8_t mainItem, uint8_t usage, size_t count) {
    Item(out, kUsage, usage, 1);
    Item(out, kLogicalMinimum, 0, 1);
    Item(out, kLogicalMaximum, 0xFF, 2);
    Item(out, kReportSize, 8, 1);
    Item(out, kReportCount, static_cast<uint32_t>(count), 1);
    Item(out, mainItem, kDataVariableAbsolute, 1);
}

}  // namespace

std::vector<uint8_t> ControllerModel::reportDescriptor() const {
    std::vector<uint8_t> out;
    Item(out, kUsagePage, 0xFF00, 2);  // vendor defined
    Item(out, kUsage, 0x01, 1);
    Item(out, kCollection, 0x01, 1);  // application
    ByteArray(out, kInput, 0x01, inputReportLength - 1);
    if (outputReportLength > 0) ByteArray(out, kOutput, 0x02, outputReportLength - 1);
    out.push_back(kEndCollection);
    return out;
}

const ControllerModel& Kv10Model() {
    static const ControllerModel model{"KV10", 0x0100, 11, 0};
    return model;
}

const ControllerModel& Kv5Model() {
    static const ControllerModel model{"KV5", 0x0202, 17, 0};
    return model;
}

const ControllerModel& ArdoModel() {
    static const ControllerModel model{"ARDO", 0x0300, 65, 33};
    return model;
}

const ControllerModel& ArdoRawModel() {
    static const ControllerModel model{"ARDO RAW", 0x0310, 65, 33};
    return model;
}

const std::vector<ControllerModel>& AllControllerModels() {
    static const std::vector<ControllerModel> models{Kv10Model(), Kv5Model(), ArdoModel(),
                                                     ArdoRawModel()};
    return models;
}

}  // namespace qmt::vm
