#pragma once
// The driver object a host receives: it implements IASIO over the audio device, keeps the
// driver's state (loaded, initialised, prepared, running), the buffer-size setting and the
// text of the last error, finds the controllers through its device registry, starts the
// control panel, and asks the host for a reset when the panel saved new settings.
//
// Threads: IASIO calls come from the host's threads, one at a time as the interface asks.
// The worker thread runs the reset request: it is registered for the configuration-changed
// event only while buffers exist, and unregistering waits for a running request, so the
// worker never sees the device's callbacks go away under it.
//
// Destruction order: stop, dispose the buffers, stop the worker, close the event, delete the
// device, then the registry and the buffer-size setting.

#include <cstdint>
#include <memory>

#include "asio/AsioBufferSizeSetting.h"
#include "asio/AsioEnvironment.h"
#include "asio/AudioDeviceIf.h"
#include "asio/CUnknown.h"
#include "asio/IAsio.h"
#include "common/WorkerThread.h"
#include "platform/NamedEventRelay.h"

namespace qmt {

class AsioBrandIf;
class AsioDeviceRegistry;

class WinAsio final : public IASIO, public CUnknown {
  public:
    enum State : int32_t {
        kConstructionFailed = 0,
        kLoaded = 1,
        kInitialized = 2,
        kPrepared = 3,
        kRunning = 4,
    };
    static constexpr int32_t kDriverVersion = 2;
    static constexpr size_t kErrorTextSize = 128;
    static constexpr size_t kDriverNameSize = 32;

    // The class factory's creation function, over the library's environment.
    static CUnknown* createInstance(IUnknown* outer, HRESULT* status);

    // A failure leaves `status` E_OUTOFMEMORY (and the state kConstructionFailed); a failure
    // passed in leaves the object empty.
    WinAsio(AsioEnvironment& environment, IUnknown* outer, HRESULT* status);
    ~WinAsio() override;

    // IUnknown: handed to the owner (the outer object, or this object's own counting).
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // The brand's class identifier gives IASIO; the rest as for every object.
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

    ASIOBool init(void* sysHandle) override;
    void getDriverName(char* name) override;
    int32_t getDriverVersion() override;
    void getErrorMessage(char* string) override;
    ASIOError start() override;
    ASIOError stop() override;
    ASIOError getChannels(int32_t* numInputChannels, int32_t* numOutputChannels) override;
    ASIOError getLatencies(int32_t* inputLatency, int32_t* outputLatency) override;
    ASIOError getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                            int32_t* granularity) override;
    ASIOError canSampleRate(ASIOSampleRate sampleRate) override;
    ASIOError getSampleRate(ASIOSampleRate* sampleRate) override;
    ASIOError setSampleRate(ASIOSampleRate sampleRate) override;
    ASIOError getClockSources(ASIOClockSource* clocks, int32_t* numSources) override;
    ASIOError setClockSource(int32_t reference) override;
    ASIOError getSamplePosition(ASIOSamples* sPos, ASIOTimeStamp* tStamp) override;
    ASIOError getChannelInfo(ASIOChannelInfo* info) override;
    ASIOError createBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels, int32_t bufferSize,
                            ASIOCallbacks* callbacks) override;
    ASIOError disposeBuffers() override;
    ASIOError controlPanel() override;
    ASIOError future(int32_t selector, void* opt) override;
    ASIOError outputReady() override;

    State getState() const { return state_; }
    // Frames of a buffer-size index at the device's rate (or the brand's default rate).
    uint64_t bufferSizeOfIndex(uint64_t index);

  private:
    bool construct();
    ASIOError fail(const char* text, ASIOError error);
    ASIOError deviceMissing(ASIOError error) { return fail("Device not initialized", error); }
    bool findControlPanel(std::string& path);
    void requestReset();

    AsioEnvironment& environment_;
    State state_ = kConstructionFailed;
    const AsioBrandIf* brand_ = nullptr;
    std::unique_ptr<AsioDeviceRegistry> registry_;
    std::unique_ptr<AsioBufferSizeSetting> bufferSize_;
    std::unique_ptr<AudioDeviceIf> device_;
    // The named event "<product>ConfigurationChanged", relayed into an in-process event
    // the worker can wait on. Closed when the system gives no event folder: the driver
    // then works without the notice.
    NamedEventRelay configurationChanged_;
    std::unique_ptr<WorkerThread> worker_;
    char errorText_[kErrorTextSize] = {};
};

}  // namespace qmt
