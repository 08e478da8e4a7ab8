#pragma once
// The two functions the driver library exports with C linkage, as a host looks them up.
// The identifiers travel by reference, which is a pointer in the C calling convention.

#include "asio/Unknown.h"

namespace qmt {

using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);
using DllCanUnloadNowFunction = HRESULT (*)();

inline constexpr const char* kDllGetClassObjectName = "DllGetClassObject";
inline constexpr const char* kDllCanUnloadNowName = "DllCanUnloadNow";

}  // namespace qmt
