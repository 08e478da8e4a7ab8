#pragma once
// The driver on the simulated platform for tests: a registry in a temporary folder with
// the factory presets selected, a simulated HID bus, a timer the test fires, a clock the
// test advances and the simulated application port.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver/MidiMiniport.h"
#include "engine/ArdoHandlerAbs.h"
#include "model/FilePaths.h"
#include "model/PresetFile.h"
#include "platform/FileRegistry.h"
#include "platform/sim/ManualPeriodicTimer.h"
#include "platform/sim/SimHidBus.h"
#include "platform/sim/SimMidiPort.h"
#include "presets/FactoryPresets.h"
#include "tests/platform/TempFolder.h"

namespace qmt::test {

// How long a test waits for another thread before it calls the run a failure.
inline constexpr uint32_t kPatienceMs = 5000;

// Writes the factory presets and mapping into `folder` and selects the mapping.
inline std::unique_ptr<FileRegistry> FactoryRegistry(const TempFolder& folder) {
    std::string mapping;
    WriteFactorySet(folder.path(), nullptr, &mapping);
    auto registry =
        std::make_unique<FileRegistry>(folder.file("user.reg"), folder.file("machine.reg"));
    registry->setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, folder.path());
    registry->setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, mapping);
    return registry;
}

struct DriverRig {
    TempFolder folder;
    std::unique_ptr<FileRegistry> registry = FactoryRegistry(folder);
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1'000'000);
    SimHidBus bus;
    ManualPeriodicTimer timer;
    std::unique_ptr<MidiMiniport> miniport =
        std::make_unique<MidiMiniport>(MiniportServices{registry.get(), &bus, &bus, &timer});
    // Declared after the miniport: the application closes its streams first.
    std::unique_ptr<SimMidiPort> port = std::make_unique<SimMidiPort>(clock);

    DriverRig() {
        port->SetMiniport(miniport.get());
        EXPECT_EQ(miniport->Init(port.get()), kStatusSuccess);
    }

    std::shared_ptr<SimController> Plug(const std::string& productId, const std::string& serial) {
        return bus.PlugProduct(productId, serial);
    }
    int OpenRunning(uint32_t type, bool connect = true) {
        const int id = port->Open(type);
        EXPECT_NE(id, 0);
        if (connect) {
            EXPECT_EQ(port->Connect(id), kStatusSuccess);
        }
        EXPECT_EQ(port->SetState(id, KsState::Run), kStatusSuccess);
        return id;
    }
    bool AnyReaderRunning() {
        bool any = false;
        miniport->ForEachHandler([&](HandlerFrame& f) { any = any || f.readerRunning(); });
        return any;
    }
    bool AllReadersRunning() {
        bool all = true;
        miniport->ForEachHandler([&](HandlerFrame& f) { all = all && f.readerRunning(); });
        return all;
    }
};

// An 11-byte KV10 report with the slider at `slider`.
inline std::vector<uint8_t> Kv10Report(uint16_t slider) {
    std::vector<uint8_t> report(11, 0);
    report[5] = slider & 0xFF;
    report[6] = static_cast<uint8_t>(slider >> 8);
    return report;
}

}  // namespace qmt::test
