#pragma once
// Named events between the user's processes, with Windows auto-reset semantics: setting
// the event lets exactly one wait through (the one in progress or the next) and clears it;
// setting it again before that changes nothing. The audio panel tells a running audio
// driver "QMTASIOConfigurationChanged" this way, and a second panel tells the first
// "QMTASIOConfigurationPanelOpen".
//
// An event is a FIFO in $XDG_RUNTIME_DIR/qmt/events (folder 0700, FIFO 0600), held open
// for reading and writing by every process that opened the event: a set is a byte in it,
// a wait takes every byte there is. Like a Windows event, a signal lives only while some
// process holds the event open.
//
// Every holder keeps a shared lock on the FIFO, so an opener can tell whether another process
// holds the event already (Windows' "already exists"); openers take turns through an
// exclusive lock on "<name>.lock" beside it, so two processes opening at once never both see
// themselves first.

#include <cstdint>
#include <string>

namespace qmt {

class NamedEvent {
  public:
    static constexpr uint32_t kInfinite = 0xFFFFFFFF;

    NamedEvent() = default;
    ~NamedEvent();
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    // The folder the events live in; empty when no runtime folder is known.
    static std::string Folder();

    // Opens the event, creating it when no process has; false with `error` otherwise.
    // `existed` (when given) tells whether another process held it open already.
    bool Open(const std::string& name, std::string& error, bool* existed = nullptr);
    void Close();
    bool isOpen() const { return fd_ >= 0; }

    bool Set();
    // True when the event was signalled within `timeoutMs` (it is clear again then).
    bool Wait(uint32_t timeoutMs);
    // Readable while the event may be signalled: for a poll() beside other things; a
    // Wait(0) then tells whether this process got it.
    int fd() const { return fd_; }

  private:
    int fd_ = -1;
};

}  // namespace qmt
