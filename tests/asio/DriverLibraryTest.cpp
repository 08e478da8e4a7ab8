// The real driver libraries, loaded as a host loads them: only the entry points are seen,
// each brand's library offers its own class, and the unload rule follows the live objects.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "tests/platform/TempFolder.h"
#include "asio/AsioEntryPoints.h"
#include "asio/BrxAsioBrand.h"
#include "asio/IAsio.h"
#include "asio/QmtAsioBrand.h"

namespace qmt {
namespace {

// The simulated controllers, settings and events in a folder of the test's own.
class DriverLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("QMT_SIMULATE", "1", 1);
        ::setenv("QMT_REGISTRY_DIR", folder.path().c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
    }

    struct Library {
        void* handle = nullptr;
        DllGetClassObjectFunction getClassObject = nullptr;
        DllCanUnloadNowFunction canUnloadNow = nullptr;
    };

    Library load(const char* path) {
        Library library;
        library.handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(library.handle, nullptr) << ::dlerror();
        if (library.handle == nullptr) return library;
        library.getClassObject = reinterpret_cast<DllGetClassObjectFunction>(
            ::dlsym(library.handle, "DllGetClassObject"));
        library.canUnloadNow =
            reinterpret_cast<DllCanUnloadNowFunction>(::dlsym(library.handle, "DllCanUnloadNow"));
        return library;
    }

    IASIO* create(Library& library, const Guid& classId) {
        void* object = nullptr;
        if (Failed(library.getClassObject(classId, IID_IClassFactory, &object))) return nullptr;
        auto* factory = static_cast<IClassFactory*>(object);
        const HRESULT status = factory->CreateInstance(nullptr, classId, &object);
        factory->Release();
        return Succeeded(status) ? static_cast<IASIO*>(object) : nullptr;
    }

    TempFolder folder;
};

TEST_F(DriverLibraryTest, EachBrandsLibraryCreatesItsDriverThroughTheEntryPoints) {
    struct Build {
        const char* path;
        Guid classId;
        Guid otherClassId;
        const char* driverName;
    };
    const Build builds[] = {
        {QMT_ASIO_LIBRARY, QmtAsioBrand::kClassId, BrxAsioBrand::kClassId, "QMT ASIO"},
        {BRX_ASIO_LIBRARY, BrxAsioBrand::kClassId, QmtAsioBrand::kClassId, "BRX ASIO"}};
    for (const Build& build : builds) {
        Library library = load(build.path);
        ASSERT_NE(library.getClassObject, nullptr);
        ASSERT_NE(library.canUnloadNow, nullptr);
        EXPECT_EQ(::dlsym(library.handle, "_ZN3qmt17dllGetClassObjectERKSt5arrayIhLm16EES3_PPv"),
                  nullptr)
            << "nothing but the entry points is exported";
        void* object = nullptr;
        EXPECT_EQ(library.getClassObject(build.otherClassId, IID_IClassFactory, &object),
                  CLASS_E_CLASSNOTAVAILABLE);

        IASIO* driver = create(library, build.classId);
        ASSERT_NE(driver, nullptr);
        char name[32] = {};
        driver->getDriverName(name);
        EXPECT_STREQ(name, build.driverName);
        EXPECT_EQ(library.canUnloadNow(), S_FALSE);
        EXPECT_EQ(driver->Release(), 0u);
        EXPECT_EQ(library.canUnloadNow(), S_OK);
        EXPECT_EQ(::dlclose(library.handle), 0);
    }
}

}  // namespace
}  // namespace qmt
