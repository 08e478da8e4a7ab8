#pragma once
// One outstanding read on a HID file, started without waiting and finished in the background
// (the overlapped read of the design): the platform's HID files only read blocking, so a
// small helper thread per file performs the read and signals an auto-reset event when it
// is done. The poller waits on that event together with its other events, takes the result
// without waiting, and starts the next read.
//
// Threads: start(), result() and cancel() belong to one owning thread; the helper thread
// only runs the read. cancel() (also run by the destructor) makes a pending read fail at
// once and joins the helper, so the file may be closed right after it.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>

#include "common/Event.h"
#include "platform/HidDevices.h"

namespace qmt {

class OverlappedHidRead {
  public:
    explicit OverlappedHidRead(HidFileIf& file);
    ~OverlappedHidRead();
    OverlappedHidRead(const OverlappedHidRead&) = delete;
    OverlappedHidRead& operator=(const OverlappedHidRead&) = delete;

    // Starts reading one report into `buffer`, which must stay valid until the read has
    // finished. False when a read is still pending or after cancel().
    bool start(std::span<uint8_t> buffer);
    // Takes the finished read's result without waiting: false when none has finished.
    bool result(bool& succeeded);
    // Set (auto-reset) each time a read finishes.
    Event& event() { return done_; }
    // Fails a pending read at once and ends the helper; nothing can be started afterwards.
    void cancel();

  private:
    void run();

    HidFileIf& file_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::span<uint8_t> buffer_;
    bool requested_ = false;  // a read was started and has not finished
    bool finished_ = false;   // a finished read waits to be taken
    bool succeeded_ = false;
    bool quit_ = false;
    Event done_{false};
    std::thread helper_;
};

}  // namespace qmt
