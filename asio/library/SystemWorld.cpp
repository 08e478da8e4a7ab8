// The controllers of this system: found through sysfs and udev, their sound cards through
// ALSA, the streaming thread real-time where the system grants it.

#include <memory>

#include "asio/AsioBrandIf.h"
#include "asio/library/LibraryWorld.h"

namespace qmt {

std::unique_ptr<LibraryWorldIf> makeSystemWorld(const AsioBrandIf& /*brand*/, std::string& error) {
    error = "the sound cards of this system cannot be opened yet: run with QMT_SIMULATE=1";
    return nullptr;
}

}  // namespace qmt
