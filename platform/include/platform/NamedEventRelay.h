#pragma once
// A named event seen as an in-process auto-reset Event, so a WorkerThread (which waits on
// Waitable objects) can run a functor when another process sets the named event. A small
// thread of its own waits on the named event and sets the Event once per signal it takes.
//
// Threads: open() and close() from one owner thread; event() from anywhere. close() (and
// the destructor) joins the relay thread.

#include <string>
#include <thread>

#include "common/Event.h"
#include "platform/NamedEvent.h"

namespace qmt {

class NamedEventRelay {
  public:
    NamedEventRelay() = default;
    ~NamedEventRelay();
    NamedEventRelay(const NamedEventRelay&) = delete;
    NamedEventRelay& operator=(const NamedEventRelay&) = delete;

    // Opens (or creates) the named event and starts relaying; false with `error` otherwise.
    // `existed` as NamedEvent::Open gives it.
    bool open(const std::string& name, std::string& error, bool* existed = nullptr);
    void close();
    bool isOpen() const { return named_.isOpen(); }

    // Set once for every signal of the named event this process takes.
    Event& event() { return event_; }

  private:
    void relay();

    NamedEvent named_;
    Event event_{false};
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
};

}  // namespace qmt
