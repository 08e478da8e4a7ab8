#pragma once
// Opening the controllers' hidraw nodes by their Windows-shaped interface paths, without
// following plugging: the driver's HID bus opens through it, and so does the configuration
// program, which reads the controllers beside a running driver (hidraw gives every open
// file its own copy of each input report).

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/HidDevices.h"
#include "platform/linux/HidrawDevice.h"

namespace qmt {

class HidrawFileSystem final : public HidFileSystemIf {
  public:
    // Messages a user can act on (a node without access rights) go here, once per node.
    using Diagnostics = std::function<void(const std::string& message)>;

    explicit HidrawFileSystem(Diagnostics diagnostics = {}, std::string sysRoot = "/sys",
                              std::string devRoot = "/dev");

    std::unique_ptr<HidFileIf> Open(const std::string& path, bool forWriting) override;
    bool Probe(const std::string& path, HidProbe& probe) override;
    // Finds the present device with this interface path.
    bool Find(const std::string& path, HidrawDevice& device);

  private:
    Diagnostics diagnostics_;
    const std::string sysRoot_;
    const std::string devRoot_;
    std::mutex warnedMutex_;
    std::set<std::string> warned_;
};

}  // namespace qmt
