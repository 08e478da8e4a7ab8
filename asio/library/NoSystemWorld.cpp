// A build without the Linux backend (no ALSA or udev development files) has only the
// simulated controllers.

#include "asio/library/LibraryWorld.h"

namespace qmt {

std::unique_ptr<LibraryWorldIf> makeSystemWorld(const AsioBrandIf& /*brand*/, std::string& error) {
    error =
        "this build has only simulated controllers (QMT_SIMULATE=1); install the ALSA and "
        "udev development files and build again for real ones";
    return nullptr;
}

}  // namespace qmt
