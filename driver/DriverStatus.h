#pragma once
// The NTSTATUS values the miniport, the streams and the control codes answer with, beside
// the ones the handlers already use.

#include "engine/HandlerStatus.h"

namespace qmt {

constexpr NtStatus kStatusTimeout = 0x00000102;
constexpr NtStatus kStatusBufferOverflow = static_cast<NtStatus>(0x80000005u);
constexpr NtStatus kStatusNotImplemented = static_cast<NtStatus>(0xC0000002u);
constexpr NtStatus kStatusInvalidParameter = static_cast<NtStatus>(0xC000000Du);
constexpr NtStatus kStatusInvalidDeviceRequest = static_cast<NtStatus>(0xC0000010u);
constexpr NtStatus kStatusBufferTooSmall = static_cast<NtStatus>(0xC0000023u);
constexpr NtStatus kStatusInsufficientResources = static_cast<NtStatus>(0xC000009Au);

}  // namespace qmt
