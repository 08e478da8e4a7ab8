#include "asio/CUnknown.h"

namespace qmt {

CUnknown::CUnknown(IUnknown* outer) : owner_(outer != nullptr ? outer : &inner_) {}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown) return getInterface(&inner_, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() {
    const int32_t count = ++refCount_;
    return count > 1 ? static_cast<ULONG>(count) : 1;
}

ULONG CUnknown::NonDelegatingRelease() {
    const int32_t count = --refCount_;
    if (count == 0) {
        // A Release made by the destructor itself (through an interface it still holds)
        // must not reach 0 a second time.
        ++refCount_;
        delete this;
        return 0;
    }
    return count > 1 ? static_cast<ULONG>(count) : 1;
}

HRESULT CUnknown::getInterface(IUnknown* face, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = face;
    face->AddRef();
    return S_OK;
}

}  // namespace qmt
