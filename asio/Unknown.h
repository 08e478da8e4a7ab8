#pragma once
// The two interfaces of the in-process server convention that every host speaks: IUnknown
// (interface query and reference counting) and IClassFactory (object creation). Declared
// with the well-known identifiers of the convention; the virtual tables have the same slot
// order as on Windows, so the objects are used the way hosts there use them.

#include <cstdint>

#include "common/Guid.h"
#include "common/HResult.h"

namespace qmt {

using ULONG = uint32_t;
using BOOL = int32_t;
// Interface and class identifiers are GUIDs in the Windows memory layout.
using IID = Guid;
using CLSID = Guid;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr IID IID_IUnknown = ParseGuid("00000000-0000-0000-C000-000000000046");
inline constexpr IID IID_IClassFactory = ParseGuid("00000001-0000-0000-C000-000000000046");

// Status values of the class factory besides the common ones.
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111);

class IUnknown {
  public:
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

  protected:
    // Objects are destroyed by their last Release, never through this interface.
    ~IUnknown() = default;
};

class IClassFactory : public IUnknown {
  public:
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;

  protected:
    ~IClassFactory() = default;
};

}  // namespace qmt
