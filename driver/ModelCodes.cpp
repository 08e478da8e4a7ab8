#include "driver/ModelCodes.h"

#include <cstdio>

#include "common/AsciiCase.h"
#include "model/Catalogue.h"

namespace qmt {

namespace {

// The part of a HID interface path that names one of the maker's products,
// "\hid#vid_f7e1&pid_0300" in lower case.
std::string PatternFor(uint16_t productId) {
    char pattern[32];
    std::snprintf(pattern, sizeof pattern, "\\hid#vid_%04x&pid_%04x", kQmtVendorId, productId);
    return pattern;
}

}  // namespace

uint8_t ModelCodeForPath(const std::string& path) {
    for (const ProductModel& product : ProductModels())
        if (containsIgnoreCase(path, PatternFor(product.productId))) return product.modelType;
    return 0;
}

bool SamePath(const std::string& a, const std::string& b) {
    return equalsIgnoreCase(a, b);
}

}  // namespace qmt
