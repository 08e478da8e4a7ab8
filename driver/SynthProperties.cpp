#include "driver/SynthProperties.h"

#include <cstring>
#include <string_view>

#include "driver/DriverStatus.h"
#include "common/Guid.h"
#include "driver/MidiMiniport.h"

namespace qmt {

namespace {

// SYNTHCAPS field offsets.
constexpr size_t kCapsFlags = 16;
constexpr size_t kCapsMemorySize = 20;
constexpr size_t kCapsMaxChannelGroups = 24;
constexpr size_t kCapsMaxVoices = 28;
constexpr size_t kCapsMaxAudioChannels = 32;
constexpr size_t kCapsEffectFlags = 36;
constexpr size_t kCapsDescription = 40;
// SYNTH_PORTPARAMS field offsets.
constexpr size_t kParamsValid = 0;
constexpr size_t kParamsChannelGroups = 8;

void Put32(void* value, size_t offset, uint32_t n) {
    std::memcpy(static_cast<uint8_t*>(value) + offset, &n, 4);
}

uint32_t Get32(const void* value, size_t offset) {
    uint32_t n = 0;
    std::memcpy(&n, static_cast<const uint8_t*>(value) + offset, 4);
    return n;
}

// The validation every answer starts with; success means the value has room.
NtStatus Validate(SynthPropertyRequest& r, uint32_t needed) {
    if (r.valueSize == 0) {
        r.valueSize = needed;
        return kStatusBufferOverflow;
    }
    if (r.valueSize < needed) return kStatusBufferTooSmall;
    if (r.value == nullptr) return kStatusInvalidParameter;
    return kStatusSuccess;
}

NtStatus BasicSupport(SynthPropertyRequest& r) {
    uint32_t access = kPropertyBasicSupport;
    if (r.id == kSynthCaps || r.id == kSynthChannelGroups) access |= kPropertyGet;
    if (r.id == kSynthChannelGroups) access |= kPropertySet;
    if (r.id == kSynthPortParameters) {
        if (!r.streamTarget) {
            r.valueSize = 0;
            return kStatusInvalidDeviceRequest;
        }
        access |= kPropertyGet;
    }
    const NtStatus status = Validate(r, 4);
    if (!NtSuccess(status)) return status;
    Put32(r.value, 0, access);
    r.valueSize = 4;
    return kStatusSuccess;
}

void PutDescription(void* value, std::string_view text) {
    // The description is a wide string; the texts are ASCII.
    auto* out = static_cast<uint8_t*>(value) + kCapsDescription;
    for (size_t i = 0; i < text.size(); ++i)
        out[2 * i] = static_cast<uint8_t>(text[i]);
}

NtStatus Caps(SynthPropertyRequest& r) {
    const NtStatus status = Validate(r, kSynthCapsSize);
    if (!NtSuccess(status)) return status;
    std::memset(r.value, 0, kSynthCapsSize);
    const bool output = r.node == 0;
    const Guid guid = ParseGuid(output ? "6B2E4F18-3A7C-4D58-B2E9-0C4F7A9D13E6"
                                       : "6B2E4F19-3A7C-4D58-B2E9-0C4F7A9D13E6");
    std::memcpy(r.value, guid.data(), guid.size());
    Put32(r.value, kCapsFlags, kSynthPcExternal);
    Put32(r.value, kCapsMemorySize, 0);
    Put32(r.value, kCapsMaxChannelGroups, 1);
    Put32(r.value, kCapsMaxVoices, 0xFFFFFFFF);
    Put32(r.value, kCapsMaxAudioChannels, 0xFFFFFFFF);
    Put32(r.value, kCapsEffectFlags, 0);
    PutDescription(r.value, output ? "QMT MIDI Out" : "QMT MIDI In");
    r.valueSize = kSynthCapsSize;
    return kStatusSuccess;
}

NtStatus PortParameters(SynthPropertyRequest& r) {
    const NtStatus status = Validate(r, kSynthPortParamsSize);
    if (!NtSuccess(status)) return status;
    std::memset(r.value, 0, kSynthPortParamsSize);
    if (r.instance != nullptr)
        std::memcpy(r.value, r.instance, std::min(r.instanceSize, kSynthPortParamsSize));
    const uint32_t valid = Get32(r.value, kParamsValid) & kSynthPortParamChannelGroups;
    Put32(r.value, kParamsValid, valid);
    if (valid == 0 || Get32(r.value, kParamsChannelGroups) != 1)
        Put32(r.value, kParamsChannelGroups, 1);
    r.valueSize = kSynthPortParamsSize;
    return kStatusSuccess;
}

NtStatus ChannelGroups(SynthPropertyRequest& r) {
    const NtStatus status = Validate(r, 4);
    if (!NtSuccess(status)) return status;
    Put32(r.value, 0, 1);
    r.valueSize = 4;
    return kStatusSuccess;
}

NtStatus LatencyClock(SynthPropertyRequest& r) {
    MidiMiniport* miniport = MidiMiniport::Live();
    if (miniport == nullptr) return kStatusInvalidDeviceRequest;
    const NtStatus status = Validate(r, 8);
    if (!NtSuccess(status)) return status;
    int64_t now = 0;
    // Without a stream there is no master clock to read.
    if (!miniport->ClockNow(now)) return kStatusInvalidDeviceRequest;
    std::memcpy(r.value, &now, 8);
    r.valueSize = 8;
    return kStatusSuccess;
}

}  // namespace

NtStatus HandleSynthProperty(SynthPropertyRequest& r) {
    const bool known = r.id == kSynthCaps || r.id == kSynthPortParameters ||
                       r.id == kSynthChannelGroups || r.id == kSynthLatencyClock;
    if (!known) return kStatusSuccess;
    if (r.flags & kPropertyBasicSupport) return BasicSupport(r);
    if ((r.flags & kPropertySet) && r.id != kSynthChannelGroups) return kStatusInvalidDeviceRequest;
    switch (r.id) {
        case kSynthCaps:
            return Caps(r);
        case kSynthPortParameters:
            return PortParameters(r);
        case kSynthChannelGroups:
            return ChannelGroups(r);
        default:
            return LatencyClock(r);
    }
}

}  // namespace qmt
