#pragma once
// The frame around one controller's handler: its reader thread (one blocking read per
// report), its writer thread on models with lights, their stop, stopped and wake events,
// and the rule that three failed steps in a row end a thread.

#include <cstdint>
#include <memory>
#include <thread>

#include "common/Event.h"
#include "driver/KernelHidDevice.h"
#include "engine/ActionEngine.h"
#include "engine/ControllerHandler.h"

namespace qmt {

class HandlerFrame {
  public:
    static constexpr uint8_t kMaxFailures = 3;

    // `device` is owned by the handler; the frame only cancels its reads.
    HandlerFrame(std::unique_ptr<ActionEngine> engine, std::unique_ptr<ControllerHandler> handler,
                 KernelHidDevice* device);
    // Stops both threads before the handler goes.
    ~HandlerFrame();
    HandlerFrame(const HandlerFrame&) = delete;
    HandlerFrame& operator=(const HandlerFrame&) = delete;

    ControllerHandler& handler() { return *handler_; }

    NtStatus StartReader();
    NtStatus StopReader();
    NtStatus StartWriter();
    NtStatus StopWriter();
    // Wakes the writer when the handler has output reports due (after a MIDI batch, an
    // idle step or a report).
    void WakeWriterIfDue();

    // A thread that ended by itself (three failures) is not running any more.
    bool readerRunning() { return reader_.joinable() && !readerStopped_.isSet(); }
    bool writerRunning() { return writer_.joinable() && !writerStopped_.isSet(); }

    // Waits until the reader thread has ended (by a stop or after three failures).
    bool WaitForReaderEnd(uint32_t timeoutMs) { return readerStopped_.wait(timeoutMs); }
    // The same for the writer thread.
    bool WaitForWriterEnd(uint32_t timeoutMs) { return writerStopped_.wait(timeoutMs); }

  private:
    void ReaderLoop();
    void WriterLoop();

    std::unique_ptr<ActionEngine> engine_;
    std::unique_ptr<ControllerHandler> handler_;
    KernelHidDevice* device_;

    std::thread reader_;
    Event readerStop_{true, false};
    Event readerStopped_{true, true};
    uint8_t readerFailures_ = 0;

    std::thread writer_;
    Event writerStop_{true, false};
    Event writerStopped_{true, true};
    Event writerWake_{true, false};
    uint8_t writerFailures_ = 0;
};

}  // namespace qmt
