#pragma once
// Results of the handler operations the driver frame calls. They keep the kernel's status
// values so the frame can count failures and pass them on exactly as the kernel driver did.

#include <cstdint>

namespace qmt {

using NtStatus = int32_t;

constexpr NtStatus kStatusSuccess = 0;
constexpr NtStatus kStatusUnsuccessful = static_cast<NtStatus>(0xC0000001u);
constexpr NtStatus kStatusDeviceNotConnected = static_cast<NtStatus>(0xC000009Du);
constexpr NtStatus kStatusUnexpectedIoError = static_cast<NtStatus>(0xC00000E9u);
constexpr NtStatus kStatusInvalidDeviceState = static_cast<NtStatus>(0xC0000184u);

constexpr bool NtSuccess(NtStatus status) {
    return status >= 0;
}

}  // namespace qmt
