#include "asio/WinAsio.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <new>

#include "asio/AsioBrandIf.h"
#include "asio/AsioDeviceRegistry.h"
#include "common/MemberFunctor.h"
#include "platform/ProcessLauncher.h"
#include "platform/Registry.h"

namespace qmt {

namespace {

// Sizes some hosts handle badly are moved to neighbours they handle well; first match only.
uint64_t remapBufferSize(uint64_t frames) {
    struct Remap {
        uint64_t from;
        uint64_t to;
    };
    static constexpr Remap kTable[] = {{52, 48}, {56, 72}, {60, 72}, {64, 72}, {84, 88}};
    for (const Remap& entry : kTable) {
        if (frames == entry.from) return entry.to;
    }
    return frames;
}

// Copies `text` into a buffer of `size` characters, always terminated.
void copyText(char* buffer, size_t size, const char* text) {
    if (buffer == nullptr || size == 0) return;
    std::strncpy(buffer, text, size - 1);
    buffer[size - 1] = '\0';
}

}  // namespace

CUnknown* WinAsio::createInstance(IUnknown* outer, HRESULT* status) {
    AsioEnvironment* environment = AsioEnvironment::process();
    if (environment == nullptr) {
        *status = E_FAIL;
        return nullptr;
    }
    return new (std::nothrow) WinAsio(*environment, outer, status);
}

WinAsio::WinAsio(AsioEnvironment& environment, IUnknown* outer, HRESULT* status)
    : CUnknown(outer), environment_(environment) {
    if (status != nullptr && Failed(*status)) return;
    bool built = false;
    try {
        built = construct();
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (built) {
        state_ = kLoaded;
    } else if (status != nullptr) {
        *status = E_OUTOFMEMORY;
    }
}

bool WinAsio::construct() {
    brand_ = AsioBrandIf::instance();
    if (brand_ == nullptr || environment_.registry == nullptr || environment_.devices == nullptr ||
        environment_.cards == nullptr) {
        return false;
    }
    // Without a folder for named events the driver still plays; only the panel's notice
    // cannot reach it.
    std::string error;
    configurationChanged_.open(std::string(brand_->getProductName()) + "ConfigurationChanged",
                               error);
    worker_ = std::make_unique<WorkerThread>();
    bufferSize_ = std::make_unique<AsioBufferSizeSetting>(
        AsioBufferSizeSetting::load(*environment_.registry, *brand_));
    registry_ = std::make_unique<AsioDeviceRegistry>(
        *brand_, *environment_.devices, *environment_.cards, *environment_.registry,
        brand_->createDeviceModels(*environment_.devices), environment_.registryClock,
        environment_.registryWait);
    return registry_->initialize();
}

WinAsio::~WinAsio() {
    stop();
    disposeBuffers();
    if (worker_) worker_->stop();
    worker_.reset();
    configurationChanged_.close();
    device_.reset();
    registry_.reset();
    bufferSize_.reset();
}

HRESULT WinAsio::QueryInterface(REFIID iid, void** object) {
    return getOwner()->QueryInterface(iid, object);
}

ULONG WinAsio::AddRef() {
    return getOwner()->AddRef();
}

ULONG WinAsio::Release() {
    return getOwner()->Release();
}

HRESULT WinAsio::NonDelegatingQueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (brand_ != nullptr && iid == brand_->getClassId()) {
        return getInterface(static_cast<IASIO*>(this), object);
    }
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

ASIOError WinAsio::fail(const char* text, ASIOError error) {
    copyText(errorText_, kErrorTextSize, text);
    return error;
}

ASIOBool WinAsio::init(void* /*sysHandle*/) {
    if (!registry_ || state_ != kLoaded) return ASIOTrue;
    if (environment_.createDevice) device_ = environment_.createDevice(*registry_);
    if (!device_) {
        fail("Failed to instantiate device", ASE_NotPresent);
        return ASIOFalse;
    }
    worker_->resume();
    state_ = kInitialized;
    return ASIOTrue;
}

void WinAsio::getDriverName(char* name) {
    copyText(name, kDriverNameSize, brand_ != nullptr ? brand_->getDriverName() : "");
}

int32_t WinAsio::getDriverVersion() {
    return kDriverVersion;
}

void WinAsio::getErrorMessage(char* string) {
    copyText(string, kErrorTextSize, errorText_);
}

ASIOError WinAsio::start() {
    if (state_ == kRunning) return ASE_OK;
    if (state_ != kPrepared) return fail("Invalid mode", ASE_InvalidMode);
    const ASIOError error = device_->start();
    if (error != ASE_OK) return error;
    state_ = kRunning;
    return ASE_OK;
}

ASIOError WinAsio::stop() {
    if (state_ != kRunning || !device_) return ASE_OK;
    state_ = kPrepared;
    return device_->stop();
}

ASIOError WinAsio::getChannels(int32_t* numInputChannels, int32_t* numOutputChannels) {
    if (!device_) return deviceMissing(ASE_NotPresent);
    if (numInputChannels == nullptr || numOutputChannels == nullptr) return ASE_InvalidParameter;
    return device_->getChannels(numInputChannels, numOutputChannels);
}

uint64_t WinAsio::bufferSizeOfIndex(uint64_t index) {
    ASIOSampleRate rate = 0;
    if (!device_ || device_->getSampleRate(&rate) != ASE_OK) rate = brand_->getDefaultSampleRate();
    const double seconds = brand_->getBufferSizeModel().getLength(static_cast<uint32_t>(index));
    return remapBufferSize(static_cast<uint64_t>(std::ceil(rate * seconds)));
}

ASIOError WinAsio::getLatencies(int32_t* inputLatency, int32_t* outputLatency) {
    if (!bufferSize_) return deviceMissing(ASE_InvalidMode);
    if (inputLatency == nullptr || outputLatency == nullptr) return ASE_InvalidParameter;
    const auto frames = static_cast<int32_t>(bufferSizeOfIndex(bufferSize_->index));
    *inputLatency = frames;
    *outputLatency = frames;
    return ASE_OK;
}

ASIOError WinAsio::getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferredSize,
                                 int32_t* granularity) {
    if (!bufferSize_) return deviceMissing(ASE_InvalidMode);
    if (minSize == nullptr || maxSize == nullptr || preferredSize == nullptr ||
        granularity == nullptr) {
        return ASE_InvalidParameter;
    }
    // One size only: the control panel's choice.
    const auto frames = static_cast<int32_t>(bufferSizeOfIndex(bufferSize_->index));
    *minSize = frames;
    *maxSize = frames;
    *preferredSize = frames;
    *granularity = 0;
    return ASE_OK;
}

ASIOError WinAsio::canSampleRate(ASIOSampleRate sampleRate) {
    if (!device_) return deviceMissing(ASE_NoClock);
    if (sampleRate < brand_->getMinimumSampleRate() ||
        sampleRate > brand_->getMaximumSampleRate()) {
        return ASE_NoClock;
    }
    return device_->canSampleRate(sampleRate);
}

ASIOError WinAsio::getSampleRate(ASIOSampleRate* sampleRate) {
    if (!device_) return deviceMissing(ASE_NotPresent);
    if (sampleRate == nullptr) return ASE_InvalidParameter;
    return device_->getSampleRate(sampleRate);
}

ASIOError WinAsio::setSampleRate(ASIOSampleRate sampleRate) {
    if (!device_) return deviceMissing(ASE_NotPresent);
    return device_->setSampleRate(sampleRate);
}

ASIOError WinAsio::getClockSources(ASIOClockSource* clocks, int32_t* numSources) {
    if (clocks == nullptr || numSources == nullptr) return ASE_InvalidParameter;
    clocks[0] = ASIOClockSource{};
    clocks[0].index = 0;
    clocks[0].associatedChannel = -1;
    clocks[0].associatedGroup = -1;
    clocks[0].isCurrentSource = ASIOTrue;
    copyText(clocks[0].name, sizeof clocks[0].name, "Internal");
    *numSources = 1;
    return ASE_OK;
}

ASIOError WinAsio::setClockSource(int32_t reference) {
    if (reference == 0) return ASE_OK;
    return fail("Invalid index", ASE_NotPresent);
}

ASIOError WinAsio::getSamplePosition(ASIOSamples* sPos, ASIOTimeStamp* tStamp) {
    if (!device_) return deviceMissing(ASE_NotPresent);
    if (sPos == nullptr || tStamp == nullptr) return ASE_InvalidParameter;
    return device_->getSamplePosition(sPos, tStamp);
}

ASIOError WinAsio::getChannelInfo(ASIOChannelInfo* info) {
    if (!device_) return deviceMissing(ASE_NotPresent);
    if (info == nullptr) return ASE_InvalidParameter;
    const ASIOError error = device_->getChannelInfo(info);
    if (error != ASE_OK) return error;
    brand_->getChannelName(info->name, sizeof info->name, info->channel, info->isInput != 0);
    return ASE_OK;
}

ASIOError WinAsio::createBuffers(ASIOBufferInfo* bufferInfos, int32_t numChannels,
                                 int32_t bufferSize, ASIOCallbacks* callbacks) {
    if (state_ == kPrepared || state_ == kRunning) return ASE_OK;
    if (state_ != kInitialized) return fail("Invalid mode", ASE_InvalidMode);
    if (!device_) return deviceMissing(ASE_NotPresent);
    const uint64_t lastIndex = brand_->getBufferSizeModel().getNumberOfSizes() - 1;
    if (bufferSize < 0 || static_cast<uint64_t>(bufferSize) < bufferSizeOfIndex(0) ||
        static_cast<uint64_t>(bufferSize) > bufferSizeOfIndex(lastIndex)) {
        return ASE_InvalidParameter;
    }
    const ASIOError error = device_->createBuffers(bufferInfos, numChannels, bufferSize, callbacks);
    if (error != ASE_OK) return error;
    if (configurationChanged_.isOpen()) {
        worker_->registerHandle(
            &configurationChanged_.event(),
            std::make_unique<MemberFunctor<WinAsio>>(this, &WinAsio::requestReset));
    }
    state_ = kPrepared;
    return ASE_OK;
}

ASIOError WinAsio::disposeBuffers() {
    if (state_ != kPrepared || !device_) return ASE_OK;
    worker_->unregisterHandle(&configurationChanged_.event());
    state_ = kInitialized;
    return device_->disposeBuffers();
}

void WinAsio::requestReset() {
    ASIOCallbacks* callbacks = device_ ? device_->getCallbacks() : nullptr;
    if (callbacks != nullptr && callbacks->asioMessage != nullptr) {
        callbacks->asioMessage(kAsioResetRequest, 0, nullptr, nullptr);
    }
}

bool WinAsio::findControlPanel(std::string& path) {
    std::string folder;
    if (!environment_.registry->queryString(Hive::LocalMachine, brand_->getRegistryKey(), "",
                                            folder)) {
        return false;
    }
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    path = folder + "/" + brand_->getControlPanelFileName();
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

ASIOError WinAsio::controlPanel() {
    std::string path;
    if (environment_.launcher == nullptr || !findControlPanel(path)) return ASE_NotPresent;
    return environment_.launcher->startProcess(path, {path}) ? ASE_OK : ASE_NotPresent;
}

ASIOError WinAsio::future(int32_t selector, void* /*opt*/) {
    if (selector == kAsioCanTimeInfo || selector == kAsioCanTimeCode) return ASE_SUCCESS;
    return fail("Not supported", ASE_NotPresent);
}

ASIOError WinAsio::outputReady() {
    if (!device_) return ASE_NotPresent;
    return device_->outputReady();
}

}  // namespace qmt
