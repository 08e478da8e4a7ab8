#include "devices/BrandIf.h"

#include <atomic>

namespace qmt {

namespace {
std::atomic<BrandIf*> processBrand{nullptr};
}  // namespace

BrandIf::BrandIf() {
    processBrand.store(this);
}

BrandIf::~BrandIf() {
    BrandIf* self = this;
    processBrand.compare_exchange_strong(self, nullptr);
}

BrandIf* BrandIf::instance() {
    return processBrand.load();
}

}  // namespace qmt
