#pragma once
// Status values of the kernel-streaming layer and of COM: 32-bit, negative for failure. A
// Windows error code travels as HresultFromWin32 of it, so callers can still tell the
// documented codes (pending, busy, CRC error) apart.

#include <cstdint>

namespace qmt {

using HRESULT = int32_t;

constexpr HRESULT MakeHresult(uint32_t bits) {
    return static_cast<HRESULT>(bits);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHresult(0x80004003);
inline constexpr HRESULT E_FAIL = MakeHresult(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057);

// Windows error codes the audio layers tell apart.
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorNotReady = 21;
inline constexpr uint32_t kErrorCrc = 23;
inline constexpr uint32_t kErrorNotSupported = 50;
inline constexpr uint32_t kErrorBusy = 170;
inline constexpr uint32_t kErrorOperationAborted = 995;
inline constexpr uint32_t kErrorDeviceNotConnected = 1167;
inline constexpr uint32_t kErrorNoMatch = 1169;

constexpr HRESULT HresultFromWin32(uint32_t error) {
    return error == 0 ? S_OK : MakeHresult(0x80070000u | (error & 0xFFFFu));
}

constexpr bool Succeeded(HRESULT status) {
    return status >= 0;
}

constexpr bool Failed(HRESULT status) {
    return status < 0;
}

}  // namespace qmt
