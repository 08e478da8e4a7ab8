#pragma once
// The audio device that the driver object drives: the device-side half of every IASIO
// operation that touches audio. The arguments are those of the matching IASIO operation.
// All operations come from the host's threads; the device calls the host back (buffer
// switches) from a thread of its own.

#include "asio/AsioTypes.h"

namespace qmt {

class AudioDeviceIf {
  public:
    virtual ~AudioDeviceIf() = default;

    // The host's callback table given to createBuffers; null while no buffers exist.
    virtual ASIOCallbacks* getCallbacks() = 0;
    virtual ASIOError getChannels(int32_t* numInputs, int32_t* numOutputs) = 0;
    virtual ASIOError getChannelInfo(ASIOChannelInfo* info) = 0;
    virtual ASIOError canSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getSampleRate(ASIOSampleRate* rate) = 0;
    virtual ASIOError setSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError createBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels,
                                    int32_t bufferSize, ASIOCallbacks* callbacks) = 0;
    virtual ASIOError disposeBuffers() = 0;
    virtual ASIOError start() = 0;
    virtual ASIOError stop() = 0;
    virtual ASIOError getSamplePosition(ASIOSamples* samplePosition, ASIOTimeStamp* timeStamp) = 0;
    virtual ASIOError outputReady() = 0;
};

}  // namespace qmt
