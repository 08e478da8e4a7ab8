#pragma once
// The driver's per-controller object. One subclass per model decodes the controller's
// input reports into MIDI and, on models with lights, turns MIDI into output reports.
//
// The virtual operations keep the order the driver frame relies on. The frame (reader and
// writer threads with their events and the three-failures rule) calls them; here the
// thread operations only record whether each direction runs, so every step can also be
// driven directly, one call at a time, by tests and the dry-run tool.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "common/Clock.h"
#include "engine/ActionEngine.h"
#include "engine/HandlerStatus.h"
#include "engine/HidDeviceIf.h"
#include "model/Mapping.h"
#include "model/Preset.h"

namespace qmt {

// The seven preset slots of a mapping entry; all null removes the presets.
using PresetSlots = std::array<Preset*, kMappingSlots>;
PresetSlots PresetSlotsOf(MappingEntry* entry);

// One short MIDI message from the render side: byte count and the first four bytes.
using MidiBytes = std::array<uint8_t, 4>;

class ControllerHandler {
  public:
    ControllerHandler(ActionEngine& engine, PortClockIf& clock,
                      std::unique_ptr<HidDeviceIf> device);
    virtual ~ControllerHandler();
    ControllerHandler(const ControllerHandler&) = delete;
    ControllerHandler& operator=(const ControllerHandler&) = delete;

    // Opens the device by its interface path and reads its serial string.
    virtual NtStatus Attach(const std::string& path);
    virtual NtStatus AttachByName(const char* path);
    virtual uint8_t ModelType() const { return 0; }
    virtual const char* DevicePath() const { return nullptr; }
    virtual const char* SerialString() const { return nullptr; }
    virtual void SetPresets(const PresetSlots& slots);
    virtual NtStatus StartReader();
    virtual NtStatus StopReader();
    virtual NtStatus StartWriter();
    virtual NtStatus StopWriter();
    virtual bool AcceptsMidi() { return false; }
    virtual void BeginMidiBatch() {}
    virtual void MidiMessage(uint8_t byteCount, const MidiBytes& bytes);
    virtual void EndMidiBatch() {}
    virtual void ResetOutput() {}
    virtual void IdleStep() {}
    // One iteration of the reader thread: reads and decodes one input report.
    virtual NtStatus ReportStep() { return kStatusSuccess; }
    // One iteration of the writer thread: sends the output reports that are due.
    virtual NtStatus WriterStep() { return kStatusUnexpectedIoError; }
    // True while the writer step wants to run again after 20 ms without being woken.
    virtual bool writerTimerArmed() const { return false; }

    bool readerRunning() const { return readerRunning_; }
    bool writerRunning() const { return writerRunning_; }
    // Set when output reports are due; the writer thread's wake event in the driver.
    bool writerWakePending() const { return writerWake_.load(); }
    void ClearWriterWake() { writerWake_.store(false); }
    // Failed reads and clock failures of the report step.
    uint32_t errorCount() const { return errorCount_; }
    // What the report step does instead of reading while the handler has no preset: the
    // driver waits 20 ms there; tests and the tool leave it empty and never sleep.
    void SetNoPresetWait(std::function<void()> wait) { noPresetWait_ = std::move(wait); }

  protected:
    // The common part of every model's Attach: open, read the serial string, trim it.
    NtStatus AttachDevice(const std::string& path, bool withOutput);
    void WakeWriter() { writerWake_.store(true); }
    void WaitWithoutPreset();
    // Reads one report; counts a failure.
    bool ReadReport(std::span<uint8_t> report);
    bool Now(int64_t& now);

    ActionEngine& engine_;
    PortClockIf& clock_;
    std::unique_ptr<HidDeviceIf> device_;
    std::string path_;
    std::string serial_;
    // Input state (reports, idle steps, presets) and output state (MIDI batches, writer
    // steps) are guarded separately, so a MIDI batch never waits for a report and back.
    std::mutex inputMutex_;
    std::mutex outputMutex_;

  private:
    bool readerRunning_ = false;
    bool writerRunning_ = false;
    std::atomic<bool> writerWake_{false};
    uint32_t errorCount_ = 0;
    std::function<void()> noPresetWait_;
};

}  // namespace qmt
