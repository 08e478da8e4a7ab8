#pragma once
// The table of classes this library can create: one template per class, naming it and
// saying how to make an object of it. The library's start-up fills in the names and
// identifiers from the brand, since one source builds each brand's library.

#include <atomic>
#include <span>
#include <string>

#include "asio/CUnknown.h"

namespace qmt {

// Makes an object aggregated by `outer` (or standalone for null). It returns the object,
// or null when there is no memory; a failure found while constructing is left in `status`.
using CreateInstanceFunction = CUnknown* (*)(IUnknown* outer, HRESULT* status);
// Runs when the library is loaded (true) and unloaded (false).
using InitRoutine = void (*)(bool loading, const CLSID* clsid);

struct CFactoryTemplate {
    std::u16string name;
    CLSID clsid;
    CreateInstanceFunction createInstance = nullptr;
    InitRoutine initRoutine = nullptr;

    bool isClassId(REFCLSID other) const { return createInstance != nullptr && clsid == other; }
};

// The library's table: exactly one entry, the driver object.
std::span<CFactoryTemplate> factoryTemplates();

// LockServer's count: while above 0 the library stays loaded.
std::atomic<int32_t>& serverLockCount();

// The class name as the table holds it: each character widened on its own.
std::u16string widenName(const std::string& name);

}  // namespace qmt
