#pragma once
// qmtmidi on the real kernel: a registry and preset folder made for the test, the service
// started on it, an application on the sequencer, and virtual controllers on /dev/uhid.
// What the controllers' reports should become is worked out by the translate dry run over
// the same presets, so the kernel path is compared with the engine's own answer.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ControllerModel.h"
#include "QmtMidiService.h"
#include "SequencerClient.h"
#include "TempFolder.h"
#include "VirtualController.h"
#include "model/Mapping.h"

namespace qmt::vm {

using Bytes = std::vector<uint8_t>;

// One mapping entry: a controller (by serial, or any when empty) of a model type gets the
// factory preset of its kind in `slot`, on `channel` (0 to 15).
struct MappingEntryPlan {
    std::string serial;
    uint8_t modelType = 0;
    int slot = 0;
    uint8_t channel = 0;
};

class HostServiceTest : public ::testing::Test {
  protected:
    static constexpr auto kPatience = std::chrono::seconds(10);

    void SetUp() override;
    void TearDown() override;

    // Writes a mapping file into the preset folder; returns its path.
    std::string writeMapping(const std::string& name, const std::vector<MappingEntryPlan>& entries);
    // Selects the mapping and starts qmtmidi --verbose.
    void startService(const std::string& mapping);
    // Subscribes the application to "QMT MIDI In" and waits for the state the driver sends
    // to a newly connected application, so later messages are the controllers' own.
    void subscribeAndSettle();
    std::unique_ptr<VirtualController> plug(const ControllerModel& model,
                                            const std::string& serial);
    // Sends reports; the first report after presets arrive only initialises the decoder.
    void send(VirtualController& controller, const std::vector<Bytes>& reports);
    // Waits until the messages received end with `expected`; fails on time-out.
    void expectMidiEnding(const std::vector<Bytes>& expected);
    // Waits for one message equal to `wanted`, skipping others; false on time-out.
    bool waitForMidi(const Bytes& wanted);
    // The MIDI messages the dry run makes of `reports` for a controller with `serial`.
    std::vector<Bytes> dryRunMidi(const std::string& mapping, uint8_t modelType,
                                  const std::string& serial, const std::vector<Bytes>& reports);
    // The output reports the dry run writes after `midi` arrives from an application.
    std::vector<Bytes> dryRunOutput(const std::string& mapping, uint8_t modelType,
                                    const std::string& serial, const Bytes& firstReport,
                                    const Bytes& midi);
    bool reloadThroughControlSocket();

    TempFolder work_;
    std::string presets_;
    QmtMidiService service_;
    std::unique_ptr<SequencerClient> app_;
    std::vector<Bytes> received_;
};

std::string Hex(const Bytes& bytes);
// The KV10 report with the buttons' 32-bit word set (slider in the middle).
Bytes Kv10Report(uint32_t buttons);

}  // namespace qmt::vm
