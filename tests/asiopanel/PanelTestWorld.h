#pragma once
// The simulated world the panel's tests open it on: a fresh user's settings in a temporary
// folder, the simulated device tree with its cards, and a registry whose polling thread stays
// in its first wait until the test advances the clock.

#include <memory>

#include "asio/AsioDeviceRegistry.h"
#include "common/ManualTimedWait.h"
#include "platform/FileRegistry.h"
#include "platform/sim/SimAudioCards.h"
#include "tests/platform/TempFolder.h"

namespace qmt {

struct PanelTestWorld {
    std::unique_ptr<AsioDeviceRegistry> makeRegistry(const AsioBrandIf& brand) {
        return std::make_unique<AsioDeviceRegistry>(brand, tree, cards, settings,
                                                    brand.createDeviceModels(tree), &clock, &wait);
    }

    TempFolder folder;
    FileRegistry settings{folder.file("user.reg"), folder.file("machine.reg")};
    SimDeviceTree tree;
    SimAudioCards cards{tree};
    ManualClock clock;
    ManualTimedWait wait{clock};
};

}  // namespace qmt
