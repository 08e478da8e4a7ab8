#pragma once
// The controller models as they present themselves on USB: vendor F7E1, one product id per
// model, and report lengths counted the Windows way, with the report number 0 in byte 0.

#include <cstdint>
#include <string>
#include <vector>

namespace qmt::vm {

inline constexpr uint16_t kQmtVendorId = 0xF7E1;

struct ControllerModel {
    std::string name;
    uint16_t productId = 0;
    size_t inputReportLength = 0;   // including the leading report number
    size_t outputReportLength = 0;  // including the leading report number; 0: no lights

    // A vendor-page report descriptor without report ids: one input report of
    // inputReportLength - 1 data bytes and, on models with lights, one output report.
    std::vector<uint8_t> reportDescriptor() const;
};

const ControllerModel& Kv10Model();
const ControllerModel& Kv5Model();
const ControllerModel& ArdoModel();
const ControllerModel& ArdoRawModel();
const std::vector<ControllerModel>& AllControllerModels();

}  // namespace qmt::vm
