#include "asiopipewire/DriverHost.h"

#include <algorithm>
#include <cstdio>

#include "asiohost/AsioSampleCodec.h"

namespace qmt {

std::atomic<DriverHost*> DriverHost::current_{nullptr};

namespace {

// Switches reach the bridge only between the bridge's configuration and the disposal of the
// buffers it points into; before (the driver's timer may switch as soon as buffers exist) and
// after, they are ignored.
std::atomic<bool> switchesEnabled{false};

}  // namespace

DriverHost::DriverHost(DriverFactory factory, GraphCycleBridge& bridge,
                       DriverHostListenerIf& listener)
    : factory_(std::move(factory)), bridge_(bridge), listener_(listener) {}

DriverHost::~DriverHost() {
    close();
}

bool DriverHost::open(double rate, std::string& error) {
    close();
    DriverHost* expected = nullptr;
    if (!current_.compare_exchange_strong(expected, this)) {
        error = "another driver is already open in this process";
        return false;
    }
    requestedRate_ = rate;
    resetPending_ = false;
    const bool opened = createDriver(error) && chooseRate(rate, error) && describeChannels(error) &&
                        createBuffers(error);
    if (!opened) {
        close();
        return false;
    }
    const ASIOError status = driver_->start();
    if (status != ASE_OK) {
        error = driverError("start", status);
        close();
        return false;
    }
    started_ = true;
    return true;
}

void DriverHost::close() {
    switchesEnabled = false;
    if (driver_ != nullptr) {
        if (started_) driver_->stop();
        if (buffersCreated_) driver_->disposeBuffers();
        driver_->Release();
    }
    driver_ = nullptr;
    started_ = false;
    buffersCreated_ = false;
    DriverHost* self = this;
    current_.compare_exchange_strong(self, nullptr);
}

bool DriverHost::restart(std::string& error) {
    return open(requestedRate_, error);
}

bool DriverHost::createDriver(std::string& error) {
    driver_ = factory_(error);
    if (driver_ == nullptr) return false;
    if (driver_->init(nullptr) == ASIOFalse) {
        char text[128] = {};
        driver_->getErrorMessage(text);
        error = std::string("the driver did not start: ") + (text[0] ? text : "no reason given");
        return false;
    }
    char name[32] = {};
    driver_->getDriverName(name);
    description_ = DriverDescription{};
    description_.name = name;
    return true;
}

bool DriverHost::chooseRate(double rate, std::string& error) {
    ASIOSampleRate current = 0;
    if (rate <= 0) {
        const ASIOError status = driver_->getSampleRate(&current);
        if (status != ASE_OK || current <= 0) {
            error = driverError("getSampleRate", status);
            return false;
        }
        rate = current;
    } else if (driver_->canSampleRate(rate) != ASE_OK) {
        error = "the driver cannot run at " + std::to_string(static_cast<int>(rate)) + " Hz";
        return false;
    }
    const ASIOError status = driver_->setSampleRate(rate);
    if (status != ASE_OK) {
        error = driverError("setSampleRate", status);
        return false;
    }
    description_.rate = rate;
    return true;
}

bool DriverHost::describeChannels(std::string& error) {
    int32_t inputs = 0;
    int32_t outputs = 0;
    ASIOError status = driver_->getChannels(&inputs, &outputs);
    if (status != ASE_OK) {
        error = driverError("getChannels", status);
        return false;
    }
    const auto describe = [this](int32_t count, bool isInput, std::vector<DriverChannel>& list) {
        list.clear();
        for (int32_t channel = 0; channel < std::min(count, kBridgeChannels); ++channel) {
            ASIOChannelInfo info;
            info.channel = channel;
            info.isInput = isInput ? ASIOTrue : ASIOFalse;
            DriverChannel described;
            if (driver_->getChannelInfo(&info) == ASE_OK) {
                info.name[sizeof info.name - 1] = '\0';
                described = {info.name, info.isActive != ASIOFalse,
                             asiohost::sampleTypeBits(info.type)};
            }
            if (described.name.empty()) described.name = std::to_string(channel + 1);
            list.push_back(described);
        }
    };
    describe(inputs, true, description_.inputs);
    describe(outputs, false, description_.outputs);
    int32_t minimum = 0, maximum = 0, preferred = 0, granularity = 0;
    status = driver_->getBufferSize(&minimum, &maximum, &preferred, &granularity);
    if (status != ASE_OK || preferred <= 0) {
        error = driverError("getBufferSize", status);
        return false;
    }
    description_.bufferFrames = static_cast<uint32_t>(preferred);
    return true;
}

bool DriverHost::createBuffers(std::string& error) {
    bufferInfos_.clear();
    for (size_t i = 0; i < description_.inputs.size(); ++i)
        bufferInfos_.push_back({ASIOTrue, static_cast<int32_t>(i), {nullptr, nullptr}});
    for (size_t i = 0; i < description_.outputs.size(); ++i)
        bufferInfos_.push_back({ASIOFalse, static_cast<int32_t>(i), {nullptr, nullptr}});
    callbacks_ = {&onBufferSwitch, &onSampleRateDidChange, &onAsioMessage, &onBufferSwitchTimeInfo};
    const ASIOError status =
        driver_->createBuffers(bufferInfos_.data(), static_cast<int32_t>(bufferInfos_.size()),
                               static_cast<int32_t>(description_.bufferFrames), &callbacks_);
    if (status != ASE_OK) {
        error = driverError("createBuffers", status);
        return false;
    }
    buffersCreated_ = true;
    AsioBufferLayout layout;
    layout.frames = description_.bufferFrames;
    layout.rate = description_.rate;
    for (const ASIOBufferInfo& info : bufferInfos_) {
        const bool input = info.isInput != ASIOFalse;
        const DriverChannel& channel =
            (input ? description_.inputs : description_.outputs)[info.channelNum];
        AsioChannelBuffers& buffers =
            (input ? layout.inputs : layout.outputs)[static_cast<size_t>(info.channelNum)];
        buffers = {{info.buffers[0], info.buffers[1]}, channel.bits};
    }
    bridge_.configure(layout);
    switchesEnabled = true;
    return true;
}

std::string DriverHost::driverError(const char* what, ASIOError status) {
    char text[128] = {};
    if (driver_ != nullptr) driver_->getErrorMessage(text);
    char code[32];
    std::snprintf(code, sizeof code, "%d", static_cast<int>(status));
    return std::string("the driver refused ") + what + " (" + code + (text[0] ? ": " : "") + text +
           ")";
}

void DriverHost::onBufferSwitch(int32_t half, ASIOBool /*directProcess*/) {
    DriverHost* host = current_.load(std::memory_order_acquire);
    if (host == nullptr || !switchesEnabled.load(std::memory_order_acquire)) return;
    host->bridge_.bufferSwitch(half & 1);
}

ASIOTime* DriverHost::onBufferSwitchTimeInfo(ASIOTime* /*time*/, int32_t half,
                                             ASIOBool directProcess) {
    onBufferSwitch(half, directProcess);
    return nullptr;
}

void DriverHost::onSampleRateDidChange(ASIOSampleRate /*rate*/) {
    // Only this host sets the rate, and it knows what it set.
}

int32_t DriverHost::onAsioMessage(int32_t selector, int32_t value, void* /*message*/,
                                  double* /*opt*/) {
    DriverHost* host = current_.load(std::memory_order_acquire);
    switch (selector) {
        case kAsioSelectorSupported:
            return value == kAsioResetRequest || value == kAsioEngineVersion ||
                           value == kAsioBufferSizeChange || value == kAsioResyncRequest ||
                           value == kAsioLatenciesChanged
                       ? 1
                       : 0;
        case kAsioEngineVersion:
            return 2;
        case kAsioResetRequest:
        case kAsioBufferSizeChange:
            // Both mean: make the buffers again. The driver may ask on any thread, so the
            // control thread does it.
            if (host != nullptr && !host->resetPending_.exchange(true))
                host->listener_.resetRequested();
            return 1;
        case kAsioResyncRequest:
        case kAsioLatenciesChanged:
            return 1;
        default:
            // kAsioSupportsTimeInfo among others: plain buffer switches are enough here, the
            // graph's clock is taken at the switch.
            return 0;
    }
}

}  // namespace qmt
