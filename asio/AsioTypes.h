#pragma once
// The types, result codes and selectors of the published ASIO driver interface, declared
// from its description. `long` of that interface is 32 bits wide on the system it was
// written for; it is int32_t here so that records keep their layout on every system.

#include <cstdint>

namespace qmt {

using ASIOBool = int32_t;
inline constexpr ASIOBool ASIOFalse = 0;
inline constexpr ASIOBool ASIOTrue = 1;

using ASIOSampleRate = double;

using ASIOError = int32_t;
inline constexpr ASIOError ASE_OK = 0;
// A future() selector that is supported answers this instead of ASE_OK.
inline constexpr ASIOError ASE_SUCCESS = 0x3F4847A0;
inline constexpr ASIOError ASE_NotPresent = -1000;
inline constexpr ASIOError ASE_HWMalfunction = -999;
inline constexpr ASIOError ASE_InvalidParameter = -998;
inline constexpr ASIOError ASE_InvalidMode = -997;
inline constexpr ASIOError ASE_SPNotAdvancing = -996;
inline constexpr ASIOError ASE_NoClock = -995;
inline constexpr ASIOError ASE_NoMemory = -994;

// A 64-bit count split into two 32-bit halves, high first.
struct ASIOSamples {
    uint32_t hi = 0;
    uint32_t lo = 0;
};

// Nanoseconds, split the same way.
struct ASIOTimeStamp {
    uint32_t hi = 0;
    uint32_t lo = 0;
};

using ASIOSampleType = int32_t;
inline constexpr ASIOSampleType ASIOSTInt16LSB = 16;
inline constexpr ASIOSampleType ASIOSTInt24LSB = 17;  // packed 3 bytes, low byte first
inline constexpr ASIOSampleType ASIOSTInt32LSB = 18;

struct ASIOClockSource {
    int32_t index = 0;
    int32_t associatedChannel = 0;
    int32_t associatedGroup = 0;
    ASIOBool isCurrentSource = ASIOFalse;
    char name[32] = {};
};

struct ASIOChannelInfo {
    int32_t channel = 0;           // set by the host
    ASIOBool isInput = ASIOFalse;  // set by the host
    ASIOBool isActive = ASIOFalse;
    int32_t channelGroup = 0;
    ASIOSampleType type = 0;
    char name[32] = {};
};

struct ASIOBufferInfo {
    ASIOBool isInput = ASIOFalse;           // set by the host
    int32_t channelNum = 0;                 // set by the host
    void* buffers[2] = {nullptr, nullptr};  // the two halves, set by the driver
};

// Flags of AsioTimeInfo.
inline constexpr uint32_t kSystemTimeValid = 1;
inline constexpr uint32_t kSamplePositionValid = 1 << 1;
inline constexpr uint32_t kSampleRateValid = 1 << 2;
inline constexpr uint32_t kSpeedValid = 1 << 3;
inline constexpr uint32_t kSampleRateChanged = 1 << 4;
inline constexpr uint32_t kClockSourceChanged = 1 << 5;

struct AsioTimeInfo {
    double speed = 0;
    ASIOTimeStamp systemTime;
    ASIOSamples samplePosition;
    ASIOSampleRate sampleRate = 0;
    uint32_t flags = 0;
    char reserved[12] = {};
};

// Flags of ASIOTimeCode.
inline constexpr uint32_t kTcValid = 1;
inline constexpr uint32_t kTcRunning = 1 << 1;
inline constexpr uint32_t kTcReverse = 1 << 2;
inline constexpr uint32_t kTcOnspeed = 1 << 3;
inline constexpr uint32_t kTcStill = 1 << 4;
inline constexpr uint32_t kTcSpeedValid = 1 << 8;

struct ASIOTimeCode {
    double speed = 0;
    ASIOSamples timeCodeSamples;
    uint32_t flags = 0;
    char future[64] = {};
};

struct ASIOTime {
    int32_t reserved[4] = {};
    AsioTimeInfo timeInfo;
    ASIOTimeCode timeCode;
};

// The host's functions, handed to the driver with createBuffers.
struct ASIOCallbacks {
    void (*bufferSwitch)(int32_t doubleBufferIndex, ASIOBool directProcess);
    void (*sampleRateDidChange)(ASIOSampleRate rate);
    int32_t (*asioMessage)(int32_t selector, int32_t value, void* message, double* opt);
    ASIOTime* (*bufferSwitchTimeInfo)(ASIOTime* params, int32_t doubleBufferIndex,
                                      ASIOBool directProcess);
};

// Selectors of asioMessage.
inline constexpr int32_t kAsioSelectorSupported = 1;
inline constexpr int32_t kAsioEngineVersion = 2;
inline constexpr int32_t kAsioResetRequest = 3;
inline constexpr int32_t kAsioBufferSizeChange = 4;
inline constexpr int32_t kAsioResyncRequest = 5;
inline constexpr int32_t kAsioLatenciesChanged = 6;
inline constexpr int32_t kAsioSupportsTimeInfo = 7;
inline constexpr int32_t kAsioSupportsTimeCode = 8;

// Selectors of future.
inline constexpr int32_t kAsioEnableTimeCodeRead = 1;
inline constexpr int32_t kAsioDisableTimeCodeRead = 2;
inline constexpr int32_t kAsioSetInputMonitor = 3;
inline constexpr int32_t kAsioTransport = 4;
inline constexpr int32_t kAsioSetInputGain = 5;
inline constexpr int32_t kAsioGetInputMeter = 6;
inline constexpr int32_t kAsioSetOutputGain = 7;
inline constexpr int32_t kAsioGetOutputMeter = 8;
inline constexpr int32_t kAsioCanInputMonitor = 9;
inline constexpr int32_t kAsioCanTimeInfo = 10;
inline constexpr int32_t kAsioCanTimeCode = 11;
inline constexpr int32_t kAsioCanTransport = 12;
inline constexpr int32_t kAsioCanInputGain = 13;
inline constexpr int32_t kAsioCanInputMeter = 14;
inline constexpr int32_t kAsioCanOutputGain = 15;
inline constexpr int32_t kAsioCanOutputMeter = 16;

}  // namespace qmt
