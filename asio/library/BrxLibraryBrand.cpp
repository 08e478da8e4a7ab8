#include "asio/BrxAsioBrand.h"
#include "asio/library/LibraryBrand.h"

namespace qmt {

std::unique_ptr<AsioBrandIf> makeLibraryBrand() {
    return std::make_unique<BrxAsioBrand>();
}

}  // namespace qmt
