// The driver library's entry points. Loading the library does the work a Windows driver
// does when its DLL is attached: the brand object is made and the class table gets the
// brand's name and class identifier. The platform the drivers run on is made at the first
// driver creation and kept until the library unloads.

#include <memory>
#include <mutex>
#include <string>

#include "asio/AsioEntryPoints.h"
#include "asio/CClassFactory.h"
#include "asio/CFactoryTemplate.h"
#include "asio/WinAsio.h"
#include "asio/library/LibraryBrand.h"
#include "asio/library/LibraryWorld.h"
#include "platform/sim/SimulatedDesktop.h"

namespace qmt {

namespace {

struct Library {
    std::unique_ptr<AsioBrandIf> brand;
    std::mutex worldMutex;
    std::unique_ptr<LibraryWorldIf> world;
    bool worldFailed = false;
};

Library* library = nullptr;

AsioEnvironment* libraryEnvironment() {
    if (library == nullptr) return nullptr;
    std::lock_guard lock(library->worldMutex);
    if (!library->world && !library->worldFailed) {
        std::string error;
        library->world = SimulationRequestedByEnvironment()
                             ? makeSimulatedWorld(*library->brand, error)
                             : makeSystemWorld(*library->brand, error);
        if (!library->world) {
            // Said once; every later creation fails the same way without repeating it.
            library->worldFailed = true;
            sayToUser(*library->brand, error);
        }
    }
    return library->world ? &library->world->environment() : nullptr;
}

__attribute__((constructor)) void attachLibrary() {
    library = new Library;
    library->brand = makeLibraryBrand();
    CFactoryTemplate& entry = factoryTemplates()[0];
    entry.name = widenName(library->brand->getProductName());
    entry.clsid = library->brand->getClassId();
    entry.createInstance = &WinAsio::createInstance;
    AsioEnvironment::setProvider(&libraryEnvironment);
}

__attribute__((destructor)) void detachLibrary() {
    for (CFactoryTemplate& entry : factoryTemplates()) {
        if (entry.initRoutine != nullptr) entry.initRoutine(false, &entry.clsid);
    }
    AsioEnvironment::setProvider(nullptr);
    // A process may exit with a driver still alive (and its threads running): then nothing
    // it uses is taken away under it.
    if (CBaseObject::objectsActive() > 0) return;
    // The world goes before the brand that its objects ask for names.
    library->world.reset();
    delete library;
    library = nullptr;
}

}  // namespace

}  // namespace qmt

extern "C" {

__attribute__((visibility("default"))) qmt::HRESULT DllGetClassObject(qmt::REFCLSID clsid,
                                                                      qmt::REFIID iid,
                                                                      void** object) {
    return qmt::dllGetClassObject(clsid, iid, object);
}

__attribute__((visibility("default"))) qmt::HRESULT DllCanUnloadNow() {
    return qmt::dllCanUnloadNow();
}

}  // extern "C"
