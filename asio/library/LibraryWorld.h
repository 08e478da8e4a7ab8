#pragma once
// What the driver objects of one loaded library run on, made once per process at the first
// driver creation: simulated controllers when the host asked for them (QMT_SIMULATE=1), the
// system's controllers otherwise. It owns the platform objects behind the environment.

#include <memory>
#include <string>

#include "asio/AsioEnvironment.h"

namespace qmt {

class AsioBrandIf;

class LibraryWorldIf {
  public:
    virtual ~LibraryWorldIf() = default;
    virtual AsioEnvironment& environment() = 0;
};

// Null with the reason in `error` when the world cannot be made.
std::unique_ptr<LibraryWorldIf> makeSimulatedWorld(const AsioBrandIf& brand, std::string& error);
std::unique_ptr<LibraryWorldIf> makeSystemWorld(const AsioBrandIf& brand, std::string& error);

// Where the driver says what a user should know: standard error, named after the driver.
void sayToUser(const AsioBrandIf& brand, const std::string& text);

}  // namespace qmt
