#include "asio/AsioEnvironment.h"

#include <atomic>

namespace qmt {

namespace {
std::atomic<AsioEnvironment::Provider> provider{nullptr};
}  // namespace

AsioEnvironment* AsioEnvironment::process() {
    const Provider make = provider.load();
    return make != nullptr ? make() : nullptr;
}

void AsioEnvironment::setProvider(Provider make) {
    provider.store(make);
}

}  // namespace qmt
