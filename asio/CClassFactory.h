#pragma once
// The factory a host receives from DllGetClassObject: it creates objects of one template's
// class and can keep the library loaded (LockServer). It counts as a live library object,
// so a host that still holds a factory cannot have the library unloaded under it.

#include <atomic>

#include "asio/CBaseObject.h"
#include "asio/CFactoryTemplate.h"
#include "asio/Unknown.h"

namespace qmt {

class CClassFactory final : public IClassFactory, public CBaseObject {
  public:
    explicit CClassFactory(const CFactoryTemplate* factoryTemplate) : template_(factoryTemplate) {}

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT LockServer(BOOL lock) override;

  private:
    std::atomic<int32_t> refCount_{0};
    const CFactoryTemplate* template_;
};

// The entry points' work (the library exports them with C linkage).
HRESULT dllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
HRESULT dllCanUnloadNow();

}  // namespace qmt
