#pragma once
// The kernel-streaming and wave-format records of the sound-card interface, declared here in
// their documented layouts (sizes are checked below), with the identifiers the audio layers
// compare against. Both the card backends and the streaming wrappers above them use these, so
// a format or a data range means the same on either side.

#include <cstddef>
#include <cstdint>

#include "common/Event.h"
#include "common/Guid.h"
#include "common/HResult.h"

namespace qmt {

// Major format "auds", PCM sub-format, the WAVEFORMATEX specifier; a null GUID is the
// wildcard of all three.
inline constexpr Guid KSDATAFORMAT_TYPE_AUDIO = ParseGuid("73647561-0000-0010-8000-00AA00389B71");
inline constexpr Guid KSDATAFORMAT_SUBTYPE_PCM = ParseGuid("00000001-0000-0010-8000-00AA00389B71");
inline constexpr Guid KSDATAFORMAT_SPECIFIER_WAVEFORMATEX =
    ParseGuid("05589F81-C356-11CE-BF01-00AA0055595A");
inline constexpr Guid KSDATAFORMAT_WILDCARD{};
// Any data a pin may also list besides audio (MIDI), for the ranges an audio pin must skip.
inline constexpr Guid KSDATAFORMAT_TYPE_MUSIC = ParseGuid("E725D360-62CC-11CF-A5D6-28DB04C10000");

inline constexpr Guid KSINTERFACESETID_Standard = ParseGuid("1A8766A0-62CE-11CF-A5D6-28DB04C10000");
inline constexpr Guid KSMEDIUMSETID_Standard = ParseGuid("4747B320-62CE-11CF-A5D6-28DB04C10000");
inline constexpr uint32_t KSINTERFACE_STANDARD_STREAMING = 0;
inline constexpr uint32_t KSMEDIUM_TYPE_ANYINSTANCE = 0;
inline constexpr uint32_t KSPRIORITY_NORMAL = 0x40000000;

inline constexpr uint16_t WAVE_FORMAT_PCM = 1;
inline constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

enum KSPIN_DATAFLOW : uint32_t { KSPIN_DATAFLOW_IN = 1, KSPIN_DATAFLOW_OUT = 2 };

enum KSPIN_COMMUNICATION : uint32_t {
    KSPIN_COMMUNICATION_NONE = 0,
    KSPIN_COMMUNICATION_SINK = 1,
    KSPIN_COMMUNICATION_SOURCE = 2,
    KSPIN_COMMUNICATION_BOTH = 3,
    KSPIN_COMMUNICATION_BRIDGE = 4,
};

enum KSSTATE : uint32_t {
    KSSTATE_STOP = 0,
    KSSTATE_ACQUIRE = 1,
    KSSTATE_PAUSE = 2,
    KSSTATE_RUN = 3,
};

// An interface, a medium or a property: a set identifier, an id in the set and flags.
struct KSIDENTIFIER {
    Guid Set{};
    uint32_t Id = 0;
    uint32_t Flags = 0;
};
using KSPIN_INTERFACE = KSIDENTIFIER;
using KSPIN_MEDIUM = KSIDENTIFIER;

struct KSPRIORITY {
    uint32_t PriorityClass = 0;
    uint32_t PrioritySubClass = 0;
};

// The request to create a pin; the data format follows it in memory on Windows and travels
// beside it here.
struct KSPIN_CONNECT {
    KSPIN_INTERFACE Interface;
    KSPIN_MEDIUM Medium;
    uint32_t PinId = 0;
    void* PinToHandle = nullptr;
    KSPRIORITY Priority;
};

struct KSDATAFORMAT {
    uint32_t FormatSize = 0;
    uint32_t Flags = 0;
    uint32_t SampleSize = 0;
    uint32_t Reserved = 0;
    Guid MajorFormat{};
    Guid SubFormat{};
    Guid Specifier{};
};
using KSDATARANGE = KSDATAFORMAT;

struct KSDATARANGE_AUDIO {
    KSDATARANGE DataRange;
    uint32_t MaximumChannels = 0;
    uint32_t MinimumBitsPerSample = 0;
    uint32_t MaximumBitsPerSample = 0;
    uint32_t MinimumSampleFrequency = 0;
    uint32_t MaximumSampleFrequency = 0;
};

#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};

struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;
    union {
        uint16_t wValidBitsPerSample;
        uint16_t wSamplesPerBlock;
        uint16_t wReserved;
    } Samples{0};
    uint32_t dwChannelMask = 0;
    Guid SubFormat{};
};
#pragma pack(pop)

struct KSTIME {
    int64_t Time = 0;
    uint32_t Numerator = 0;
    uint32_t Denominator = 0;
};

struct KSSTREAM_HEADER {
    uint32_t Size = 0;
    uint32_t TypeSpecificFlags = 0;
    KSTIME PresentationTime;
    int64_t Duration = 0;
    uint32_t FrameExtent = 0;
    uint32_t DataUsed = 0;
    void* Data = nullptr;
    uint32_t OptionsFlags = 0;
    uint32_t Reserved = 0;
};

// What the OVERLAPPED of a stream request carries here: the event the card sets when the
// request completes, and the request's final status (set before the event).
struct KsOverlapped {
    Event* event = nullptr;
    HRESULT status = S_OK;
};

// One stream read or write: the header the card fills (DataUsed) and its completion.
struct KsStreamRequest {
    KSSTREAM_HEADER header;
    KsOverlapped overlapped;
};

static_assert(sizeof(KSIDENTIFIER) == 24);
static_assert(sizeof(KSDATAFORMAT) == 64);
static_assert(sizeof(KSDATARANGE_AUDIO) == 84);
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40);
static_assert(sizeof(KSSTREAM_HEADER) == 56);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, SubFormat) == 24);

}  // namespace qmt
