#include "driver/HandlerFrame.h"

#include <array>

namespace qmt {

namespace {
// Without presets the reader idles this long per step instead of reading.
constexpr uint32_t kNoPresetWaitMs = 20;
constexpr uint32_t kWriterPeriodMs = 20;
}  // namespace

HandlerFrame::HandlerFrame(std::unique_ptr<ActionEngine> engine,
                           std::unique_ptr<ControllerHandler> handler, KernelHidDevice* device)
    : engine_(std::move(engine)), handler_(std::move(handler)), device_(device) {
    // The idle wait ends early when the reader is told to stop.
    handler_->SetNoPresetWait([this] { readerStop_.wait(kNoPresetWaitMs); });
}

HandlerFrame::~HandlerFrame() {
    StopReader();
    StopWriter();
    handler_.reset();
}

NtStatus HandlerFrame::StartReader() {
    if (readerRunning()) return kStatusSuccess;
    if (reader_.joinable()) reader_.join();  // ended by itself after three failures
    readerStop_.reset();
    readerStopped_.reset();
    readerFailures_ = 0;
    const NtStatus status = handler_->StartReader();
    if (!NtSuccess(status)) {
        readerStopped_.set();
        return status;
    }
    reader_ = std::thread([this] { ReaderLoop(); });
    return kStatusSuccess;
}

NtStatus HandlerFrame::StopReader() {
    if (reader_.joinable()) {
        readerStop_.set();
        // A read waiting for the user would otherwise keep the caller waiting with it.
        if (device_ != nullptr) device_->CancelRead();
        readerStopped_.wait(kInfinite);
        reader_.join();
    }
    return handler_->StopReader();
}

NtStatus HandlerFrame::StartWriter() {
    if (!handler_->AcceptsMidi()) return kStatusSuccess;
    if (writerRunning()) return kStatusSuccess;
    if (writer_.joinable()) writer_.join();
    writerStop_.reset();
    writerStopped_.reset();
    writerWake_.reset();
    // Every run of the writer gets its three tries: failures of an earlier run say nothing
    // about the device as it is now.
    writerFailures_ = 0;
    const NtStatus status = handler_->StartWriter();
    if (!NtSuccess(status)) {
        writerStopped_.set();
        return status;
    }
    writer_ = std::thread([this] { WriterLoop(); });
    return kStatusSuccess;
}

NtStatus HandlerFrame::StopWriter() {
    if (writer_.joinable()) {
        writerStop_.set();
        writerStopped_.wait(kInfinite);
        writer_.join();
    }
    return handler_->StopWriter();
}

void HandlerFrame::WakeWriterIfDue() {
    if (handler_->writerWakePending()) writerWake_.set();
}

void HandlerFrame::ReaderLoop() {
    while (!readerStop_.isSet()) {
        const NtStatus status = handler_->ReportStep();
        WakeWriterIfDue();
        if (NtSuccess(status)) {
            readerFailures_ = 0;
        } else if (++readerFailures_ >= kMaxFailures) {
            break;
        }
    }
    readerStop_.reset();
    readerStopped_.set();
}

void HandlerFrame::WriterLoop() {
    std::array<Waitable*, 2> objects{&writerStop_, &writerWake_};
    for (;;) {
        // While output runs the step re-arms its 20 ms timer: blinking and the periodic
        // refresh advance even when no MIDI arrives.
        const uint32_t timeout = handler_->writerTimerArmed() ? kWriterPeriodMs : kInfinite;
        const int which = Waitable::waitForAny(objects, timeout);
        if (which != 1 && which != kWaitTimeout) break;
        writerWake_.reset();
        handler_->ClearWriterWake();
        const NtStatus status = handler_->WriterStep();
        if (NtSuccess(status)) {
            writerFailures_ = 0;
        } else if (++writerFailures_ >= kMaxFailures) {
            break;
        }
    }
    writerStop_.reset();
    writerStopped_.set();
}

}  // namespace qmt
