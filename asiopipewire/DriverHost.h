#pragma once
// Hosts one ASIO driver object as an audio application does: init, rate, the driver's
// preferred buffer size, buffers for all 16 inputs and 16 outputs, start; and, when the
// driver asks for a reset (its settings changed in the control panel), the whole again
// with a new driver object, which reads the new settings.
//
// The driver calls back without a context pointer, so at most one DriverHost is open in a
// process at a time.
//
// Threads: open(), close() and restart() on the control thread. The driver's streaming
// thread runs the buffer switches (into the bridge); its worker thread delivers the reset
// request, which only raises a flag and tells the listener, so the control thread does the
// restart.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "asio/IAsio.h"
#include "asiopipewire/GraphCycleBridge.h"

namespace qmt {

struct DriverChannel {
    std::string name;     // as the driver names it ("Channel #1", "In 1")
    bool active = false;  // a controller serves it now
    uint32_t bits = 0;    // sample width; 0 for a type the host cannot use
};

struct DriverDescription {
    std::string name;  // the driver's name ("QMT ASIO")
    double rate = 0;
    uint32_t bufferFrames = 0;
    std::vector<DriverChannel> inputs;
    std::vector<DriverChannel> outputs;
};

class DriverHostListenerIf {
  public:
    virtual ~DriverHostListenerIf() = default;
    // The driver asked for a reset; call restart() on the control thread. Any thread.
    virtual void resetRequested() = 0;
};

class DriverHost {
  public:
    // Makes a new driver object holding one reference, or null with the reason.
    using DriverFactory = std::function<IASIO*(std::string& error)>;

    DriverHost(DriverFactory factory, GraphCycleBridge& bridge, DriverHostListenerIf& listener);
    ~DriverHost();
    DriverHost(const DriverHost&) = delete;
    DriverHost& operator=(const DriverHost&) = delete;

    // `rate` 0 keeps the driver's own rate. False with the reason; nothing stays open then.
    bool open(double rate, std::string& error);
    void close();
    // Carries out a reset request: the driver object is made again at the same rate.
    bool restart(std::string& error);
    bool isOpen() const { return driver_ != nullptr; }
    const DriverDescription& description() const { return description_; }
    bool resetPending() const { return resetPending_.load(); }

  private:
    bool createDriver(std::string& error);
    bool chooseRate(double rate, std::string& error);
    bool describeChannels(std::string& error);
    bool createBuffers(std::string& error);
    std::string driverError(const char* what, ASIOError status);

    static void onBufferSwitch(int32_t half, ASIOBool directProcess);
    static ASIOTime* onBufferSwitchTimeInfo(ASIOTime* time, int32_t half, ASIOBool directProcess);
    static void onSampleRateDidChange(ASIOSampleRate rate);
    static int32_t onAsioMessage(int32_t selector, int32_t value, void* message, double* opt);

    DriverFactory factory_;
    GraphCycleBridge& bridge_;
    DriverHostListenerIf& listener_;
    IASIO* driver_ = nullptr;
    bool buffersCreated_ = false;
    bool started_ = false;
    double requestedRate_ = 0;
    DriverDescription description_;
    std::vector<ASIOBufferInfo> bufferInfos_;
    ASIOCallbacks callbacks_{};
    std::atomic<bool> resetPending_{false};

    static std::atomic<DriverHost*> current_;
};

}  // namespace qmt
