#include "asio/AsioBrandIf.h"

namespace qmt {

std::string AsioBrandIf::getRegistryKey() const {
    return std::string("Software\\") + getMakerName() + "\\" + getProductName();
}

AsioBrandIf* AsioBrandIf::instance() {
    return dynamic_cast<AsioBrandIf*>(BrandIf::instance());
}

}  // namespace qmt
