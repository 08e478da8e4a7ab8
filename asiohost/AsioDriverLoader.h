#pragma once
// Loads a driver library and creates its driver the way a host does: DllGetClassObject for
// the class identifier's factory, CreateInstance with the class identifier as interface
// identifier. Unloading releases the driver and closes the library once DllCanUnloadNow
// agrees.

#include <string>

#include "asio/IAsio.h"
#include "common/Guid.h"

namespace qmt::asiohost {

class AsioDriverLoader {
  public:
    AsioDriverLoader() = default;
    ~AsioDriverLoader();
    AsioDriverLoader(const AsioDriverLoader&) = delete;
    AsioDriverLoader& operator=(const AsioDriverLoader&) = delete;

    bool load(const std::string& libraryPath, std::string& error);
    // Whether the library offers a factory for the class.
    bool offersClass(const Guid& classId);
    bool createDriver(const Guid& classId, std::string& error);
    IASIO* driver() const { return driver_; }
    void releaseDriver();
    // Releases the driver and closes the library if it agrees; false when it still holds
    // objects (the library then stays loaded).
    bool unload();

  private:
    void* library_ = nullptr;
    void* getClassObject_ = nullptr;
    void* canUnloadNow_ = nullptr;
    IASIO* driver_ = nullptr;
};

}  // namespace qmt::asiohost
