#include "asiohost/AsioDriverLoader.h"

#include <dlfcn.h>

#include <cstdio>

#include "asio/AsioEntryPoints.h"

namespace qmt::asiohost {

namespace {

std::string hresultText(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

}  // namespace

AsioDriverLoader::~AsioDriverLoader() {
    unload();
}

bool AsioDriverLoader::load(const std::string& libraryPath, std::string& error) {
    unload();
    library_ = ::dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        const char* reason = ::dlerror();
        error = "cannot load " + libraryPath + ": " + (reason != nullptr ? reason : "unknown");
        return false;
    }
    getClassObject_ = ::dlsym(library_, kDllGetClassObjectName);
    canUnloadNow_ = ::dlsym(library_, kDllCanUnloadNowName);
    if (getClassObject_ == nullptr || canUnloadNow_ == nullptr) {
        error = libraryPath + " is not an ASIO driver library (no DllGetClassObject)";
        ::dlclose(library_);
        library_ = nullptr;
        return false;
    }
    return true;
}

bool AsioDriverLoader::offersClass(const Guid& classId) {
    if (library_ == nullptr) return false;
    auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(getClassObject_);
    void* factory = nullptr;
    if (Failed(getClassObject(classId, IID_IClassFactory, &factory))) return false;
    static_cast<IClassFactory*>(factory)->Release();
    return true;
}

bool AsioDriverLoader::createDriver(const Guid& classId, std::string& error) {
    releaseDriver();
    auto getClassObject = reinterpret_cast<DllGetClassObjectFunction>(getClassObject_);
    void* object = nullptr;
    HRESULT status = getClassObject(classId, IID_IClassFactory, &object);
    if (Failed(status)) {
        error =
            "the library offers no class " + FormatGuid(classId) + " (" + hresultText(status) + ")";
        return false;
    }
    auto* factory = static_cast<IClassFactory*>(object);
    // An ASIO host asks for the class identifier itself as the interface.
    status = factory->CreateInstance(nullptr, classId, &object);
    factory->Release();
    if (Failed(status)) {
        error = "the driver could not be created (" + hresultText(status) + ")";
        return false;
    }
    driver_ = static_cast<IASIO*>(object);
    return true;
}

void AsioDriverLoader::releaseDriver() {
    if (driver_ != nullptr) driver_->Release();
    driver_ = nullptr;
}

bool AsioDriverLoader::unload() {
    releaseDriver();
    if (library_ == nullptr) return true;
    auto canUnloadNow = reinterpret_cast<DllCanUnloadNowFunction>(canUnloadNow_);
    if (canUnloadNow() != S_OK) return false;
    ::dlclose(library_);
    library_ = nullptr;
    return true;
}

}  // namespace qmt::asiohost
