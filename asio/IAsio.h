#pragma once
// The published ASIO driver interface, declared from its description: the operations in
// their slot order after the three of IUnknown. A host gets it from the driver's class
// factory by asking for the driver's class identifier as the interface identifier.

#include "asio/AsioTypes.h"
#include "asio/Unknown.h"

namespace qmt {

class IASIO : public IUnknown {
  public:
    virtual ASIOBool init(void* sysHandle) = 0;
    // Writes at most 32 characters including the terminator.
    virtual void getDriverName(char* name) = 0;
    virtual int32_t getDriverVersion() = 0;
    // Writes at most 128 characters including the terminator.
    virtual void getErrorMessage(char* string) = 0;
    virtual ASIOError start() = 0;
    virtual ASIOError stop() = 0;
    virtual ASIOError getChannels(int32_t* numInputChannels, int32_t* numOutputChannels) = 0;
    virtual ASIOError getLatencies(int32_t* inputLatency, int32_t* outputLatency) = 0;
    virtual ASIOError getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                    int32_t* granularity) = 0;
    virtual ASIOError canSampleRate(ASIOSampleRate sampleRate) = 0;
    virtual ASIOError getSampleRate(ASIOSampleRate* sampleRate) = 0;
    virtual ASIOError setSampleRate(ASIOSampleRate sampleRate) = 0;
    virtual ASIOError getClockSources(ASIOClockSource* clocks, int32_t* numSources) = 0;
    virtual ASIOError setClockSource(int32_t reference) = 0;
    virtual ASIOError getSamplePosition(ASIOSamples* sPos, ASIOTimeStamp* tStamp) = 0;
    virtual ASIOError getChannelInfo(ASIOChannelInfo* info) = 0;
    virtual ASIOError createBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels,
                                    int32_t bufferSize, ASIOCallbacks* callbacks) = 0;
    virtual ASIOError disposeBuffers() = 0;
    virtual ASIOError controlPanel() = 0;
    virtual ASIOError future(int32_t selector, void* opt) = 0;
    virtual ASIOError outputReady() = 0;

  protected:
    ~IASIO() = default;
};

}  // namespace qmt
