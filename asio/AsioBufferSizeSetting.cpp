#include "asio/AsioBufferSizeSetting.h"

namespace qmt {

AsioBufferSizeSetting AsioBufferSizeSetting::load(RegistryIf& registry, const AsioBrandIf& brand) {
    const AsioBufferSizeModelIf& model = brand.getBufferSizeModel();
    uint32_t stored = 0;
    const bool usable =
        registry.queryDword(Hive::CurrentUser, brand.getRegistryKey(), kValueName, stored) &&
        stored < model.getNumberOfSizes();
    const uint64_t index = usable ? stored : model.getDefaultIndex();
    return {index, index};
}

bool AsioBufferSizeSetting::save(RegistryIf& registry, const AsioBrandIf& brand) const {
    return registry.setDword(Hive::CurrentUser, brand.getRegistryKey(), kValueName,
                             static_cast<uint32_t>(index));
}

}  // namespace qmt
