#include "devices/MidiBrandIf.h"

namespace qmt {

std::string MidiBrandIf::getRegistryKey() const {
    return std::string("Software\\") + getCompanyKeyName() + "\\" + getProductKeyName();
}

MidiBrandIf* MidiBrandIf::instance() {
    return dynamic_cast<MidiBrandIf*>(BrandIf::instance());
}

}  // namespace qmt
