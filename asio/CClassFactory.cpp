#include "asio/CClassFactory.h"

#include <new>

namespace qmt {

HRESULT CClassFactory::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CClassFactory::AddRef() {
    return static_cast<ULONG>(++refCount_);
}

ULONG CClassFactory::Release() {
    const int32_t count = --refCount_;
    if (count == 0) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(count);
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    // An aggregating object may only ask for the inner object's non-delegating unknown.
    if (outer != nullptr && !(iid == IID_IUnknown)) return E_NOINTERFACE;
    HRESULT status = S_OK;
    CUnknown* created = template_->createInstance(outer, &status);
    if (created == nullptr) return E_OUTOFMEMORY;
    if (Failed(status)) {
        delete created;
        return status;
    }
    // The query adds the caller's reference; this one only keeps the object alive meanwhile,
    // so a failed query destroys it.
    created->NonDelegatingAddRef();
    status = created->NonDelegatingQueryInterface(iid, object);
    created->NonDelegatingRelease();
    return status;
}

HRESULT CClassFactory::LockServer(BOOL lock) {
    if (lock) {
        ++serverLockCount();
    } else {
        --serverLockCount();
    }
    return S_OK;
}

HRESULT dllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!(iid == IID_IUnknown) && !(iid == IID_IClassFactory)) return E_NOINTERFACE;
    for (const CFactoryTemplate& entry : factoryTemplates()) {
        if (!entry.isClassId(clsid)) continue;
        auto* factory = new (std::nothrow) CClassFactory(&entry);
        if (factory == nullptr) return E_OUTOFMEMORY;
        factory->AddRef();
        *object = static_cast<IClassFactory*>(factory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT dllCanUnloadNow() {
    return serverLockCount().load() > 0 || CBaseObject::objectsActive() > 0 ? S_FALSE : S_OK;
}

}  // namespace qmt
