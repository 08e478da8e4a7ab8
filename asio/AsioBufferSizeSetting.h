#pragma once
// The selected buffer-size index ("Buffer Size" in the brand's settings key) with a saved copy
// that the control panel returns to when the user cancels.

#include <cstdint>

#include "asio/AsioBrandIf.h"
#include "platform/Registry.h"

namespace qmt {

struct AsioBufferSizeSetting {
    uint64_t index = 0;
    uint64_t savedIndex = 0;

    static constexpr const char* kValueName = "Buffer Size";

    // The stored index, or the model's default when the value is missing, not a REG_DWORD or
    // not below the model's number of sizes. Both fields get it.
    static AsioBufferSizeSetting load(RegistryIf& registry, const AsioBrandIf& brand);
    bool save(RegistryIf& registry, const AsioBrandIf& brand) const;

    void makeRestorePoint() { savedIndex = index; }
    void rollbackChanges() { index = savedIndex; }
};

}  // namespace qmt
