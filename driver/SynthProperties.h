#pragma once
// The synthesizer property set of the filter's two nodes (KSPROPSETID_Synth): what the
// system asks the "QMT MIDI Out" and "QMT MIDI In" synthesizers about themselves.

#include <cstdint>

#include "engine/HandlerStatus.h"

namespace qmt {

inline constexpr uint32_t kSynthCaps = 2;
inline constexpr uint32_t kSynthPortParameters = 3;
inline constexpr uint32_t kSynthChannelGroups = 4;
inline constexpr uint32_t kSynthLatencyClock = 6;

inline constexpr uint32_t kPropertyGet = 0x00000001;
inline constexpr uint32_t kPropertySet = 0x00000002;
inline constexpr uint32_t kPropertyBasicSupport = 0x00000200;

inline constexpr uint32_t kSynthCapsSize = 296;
inline constexpr uint32_t kSynthPortParamsSize = 28;
inline constexpr uint32_t kSynthPcExternal = 0x00000002;
inline constexpr uint32_t kSynthPortParamChannelGroups = 0x00000002;

struct SynthPropertyRequest {
    uint32_t id = 0;
    uint32_t flags = kPropertyGet;  // get, set or basic support
    uint32_t node = 0;
    bool streamTarget = false;       // the request names a stream (pin instance)
    const void* instance = nullptr;  // PORTPARAMETERS: the asked parameters
    uint32_t instanceSize = 0;
    void* value = nullptr;
    uint32_t valueSize = 0;  // in: room; out: bytes answered or needed
};

// Answers one request; `request.valueSize` is updated as the port expects.
NtStatus HandleSynthProperty(SynthPropertyRequest& request);

}  // namespace qmt
