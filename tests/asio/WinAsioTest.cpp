// The driver object over a stand-in device: states and their result codes, buffer sizes,
// clock sources, future, the control panel start and the reset request.

#include "asio/WinAsio.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "AsioTestWorld.h"
#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "platform/NamedEvent.h"

namespace qmt {
namespace {

// Answers what the test sets and notes every call.
class FakeAudioDevice final : public AudioDeviceIf {
  public:
    ASIOCallbacks* getCallbacks() override { return callbacks; }
    ASIOError getChannels(int32_t* in, int32_t* out) override {
        calls.push_back("getChannels");
        *in = *out = 16;
        return ASE_OK;
    }
    ASIOError getChannelInfo(ASIOChannelInfo* info) override {
        info->type = ASIOSTInt24LSB;
        return channelInfoResult;
    }
    ASIOError canSampleRate(ASIOSampleRate) override {
        calls.push_back("canSampleRate");
        return ASE_OK;
    }
    ASIOError getSampleRate(ASIOSampleRate* r) override {
        *r = rate;
        return ASE_OK;
    }
    ASIOError setSampleRate(ASIOSampleRate r) override {
        rate = r;
        return ASE_OK;
    }
    ASIOError createBuffers(ASIOBufferInfo*, int32_t, int32_t size, ASIOCallbacks* cb) override {
        calls.push_back("createBuffers " + std::to_string(size));
        if (createResult == ASE_OK) callbacks = cb;
        return createResult;
    }
    ASIOError disposeBuffers() override {
        calls.push_back("disposeBuffers");
        callbacks = nullptr;
        return ASE_OK;
    }
    ASIOError start() override {
        calls.push_back("start");
        return startResult;
    }
    ASIOError stop() override {
        calls.push_back("stop");
        return ASE_OK;
    }
    ASIOError getSamplePosition(ASIOSamples*, ASIOTimeStamp*) override { return ASE_OK; }
    ASIOError outputReady() override { return ASE_NotPresent; }

    explicit FakeAudioDevice(std::vector<std::string>& sink) : log(sink), calls(sink) {}

    // Outlives the device, so a test can look at it after the driver is gone.
    std::vector<std::string>& log;
    std::vector<std::string>& calls;
    ASIOCallbacks* callbacks = nullptr;
    ASIOSampleRate rate = 48000;
    ASIOError createResult = ASE_OK;
    ASIOError startResult = ASE_OK;
    ASIOError channelInfoResult = ASE_OK;
};

// The host side of the reset request.
Event* resetAsked = nullptr;
int32_t hostMessage(int32_t selector, int32_t, void*, double*) {
    if (selector == kAsioResetRequest && resetAsked != nullptr) resetAsked->set();
    return 0;
}

class WinAsioTest : public ::testing::Test {
  protected:
    WinAsioTest() {
        world.environment.createDevice =
            [this](AsioDeviceRegistry&) -> std::unique_ptr<AudioDeviceIf> {
            if (failDeviceCreation) return nullptr;
            deviceLog.clear();
            auto made = std::make_unique<FakeAudioDevice>(deviceLog);
            device = made.get();
            return made;
        };
        callbacks.asioMessage = &hostMessage;
        resetAsked = &reset;
    }
    ~WinAsioTest() override { resetAsked = nullptr; }

    // Owned by its reference count, as a host holds it.
    WinAsio* make() {
        HRESULT status = S_OK;
        auto* object = new WinAsio(world.environment, nullptr, &status);
        EXPECT_EQ(status, S_OK);
        object->NonDelegatingAddRef();
        return object;
    }
    std::string errorText(WinAsio& driver) {
        char text[128];
        driver.getErrorMessage(text);
        return text;
    }
    ASIOError createBuffers(WinAsio& driver, int32_t frames) {
        ASIOBufferInfo info{ASIOFalse, 0, {nullptr, nullptr}};
        return driver.createBuffers(&info, 1, frames, &callbacks);
    }

    QmtAsioBrand brand;
    AsioTestWorld world;
    FakeAudioDevice* device = nullptr;
    std::vector<std::string> deviceLog;
    bool failDeviceCreation = false;
    ASIOCallbacks callbacks{};
    Event reset{false};
};

TEST_F(WinAsioTest, StatesGateEveryOperationWithItsResultAndText) {
    WinAsio* driver = make();
    int32_t in = 0, out = 0;
    EXPECT_EQ(driver->getChannels(&in, &out), ASE_NotPresent);
    EXPECT_EQ(errorText(*driver), "Device not initialized");
    EXPECT_EQ(driver->canSampleRate(48000), ASE_NoClock);
    EXPECT_EQ(driver->start(), ASE_InvalidMode);
    EXPECT_EQ(errorText(*driver), "Invalid mode");
    EXPECT_EQ(createBuffers(*driver, 288), ASE_InvalidMode) << "not initialised yet";
    EXPECT_EQ(driver->stop(), ASE_OK);

    ASSERT_EQ(driver->init(nullptr), ASIOTrue);
    EXPECT_EQ(driver->getState(), WinAsio::kInitialized);
    FakeAudioDevice* first = device;
    EXPECT_EQ(driver->init(nullptr), ASIOTrue);
    EXPECT_EQ(device, first) << "a second init changes nothing";
    EXPECT_EQ(driver->start(), ASE_InvalidMode) << "no buffers yet";
    EXPECT_EQ(driver->disposeBuffers(), ASE_OK);

    ASSERT_EQ(createBuffers(*driver, 288), ASE_OK);
    EXPECT_EQ(createBuffers(*driver, 300), ASE_OK) << "prepared: the first buffers stay";
    ASSERT_EQ(driver->start(), ASE_OK);
    EXPECT_EQ(driver->start(), ASE_OK);
    EXPECT_EQ(createBuffers(*driver, 300), ASE_OK);
    EXPECT_EQ(driver->disposeBuffers(), ASE_OK) << "running: nothing happens";
    EXPECT_EQ(driver->getState(), WinAsio::kRunning);
    EXPECT_EQ(driver->stop(), ASE_OK);
    EXPECT_EQ(driver->disposeBuffers(), ASE_OK);
    EXPECT_EQ(driver->getState(), WinAsio::kInitialized);
    EXPECT_EQ(device->log,
              (std::vector<std::string>{"createBuffers 288", "start", "stop", "disposeBuffers"}));
    driver->Release();
}

TEST_F(WinAsioTest, ReleaseStopsAndDisposesARunningStream) {
    WinAsio* driver = make();
    ASSERT_EQ(driver->init(nullptr), ASIOTrue);
    ASSERT_EQ(createBuffers(*driver, 288), ASE_OK);
    ASSERT_EQ(driver->start(), ASE_OK);
    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(deviceLog,
              (std::vector<std::string>{"createBuffers 288", "start", "stop", "disposeBuffers"}));
}

TEST_F(WinAsioTest, DeviceErrorsPassThroughAndLeaveTheStateAsItWas) {
    WinAsio* driver = make();
    failDeviceCreation = true;
    EXPECT_EQ(driver->init(nullptr), ASIOFalse);
    EXPECT_EQ(errorText(*driver), "Failed to instantiate device");
    EXPECT_EQ(driver->getState(), WinAsio::kLoaded);
    failDeviceCreation = false;
    ASSERT_EQ(driver->init(nullptr), ASIOTrue) << "a later init tries again";

    device->createResult = ASE_NoMemory;
    EXPECT_EQ(createBuffers(*driver, 288), ASE_NoMemory);
    EXPECT_EQ(driver->getState(), WinAsio::kInitialized);
    device->createResult = ASE_OK;
    ASSERT_EQ(createBuffers(*driver, 288), ASE_OK);
    device->startResult = ASE_HWMalfunction;
    EXPECT_EQ(driver->start(), ASE_HWMalfunction);
    EXPECT_EQ(driver->getState(), WinAsio::kPrepared);
    device->channelInfoResult = ASE_InvalidParameter;
    ASIOChannelInfo info;
    EXPECT_EQ(driver->getChannelInfo(&info), ASE_InvalidParameter);
    driver->Release();
}

TEST_F(WinAsioTest, BufferSizeIsTheCeilingAtTheDeviceRateAfterTheRemapTable) {
    WinAsio* driver = make();
    int32_t minSize, maxSize, preferred, granularity;
    ASSERT_EQ(driver->getBufferSize(&minSize, &maxSize, &preferred, &granularity), ASE_OK);
    EXPECT_EQ(preferred, 288) << "no device yet: the brand's default 48 kHz, 6 ms";
    EXPECT_EQ(minSize, 288);
    EXPECT_EQ(maxSize, 288);
    EXPECT_EQ(granularity, 0);
    ASSERT_EQ(driver->init(nullptr), ASIOTrue);
    device->rate = 44100;
    int32_t inLatency, outLatency;
    ASSERT_EQ(driver->getLatencies(&inLatency, &outLatency), ASE_OK);
    EXPECT_EQ(inLatency, 265) << "ceil(264.6)";
    EXPECT_EQ(outLatency, 265);
    device->rate = 48000;
    EXPECT_EQ(driver->bufferSizeOfIndex(8), 433u) << "8 x 0.001 + 0.001 lies above 0.009";
    const std::pair<double, uint64_t> remapped[] = {{52000, 48}, {56000, 72}, {60000, 72},
                                                    {64000, 72}, {84000, 88}, {68000, 68}};
    for (const auto& [rate, frames] : remapped) {
        device->rate = rate;
        EXPECT_EQ(driver->bufferSizeOfIndex(0), frames) << rate;
    }
    driver->Release();
}

TEST_F(WinAsioTest, CreateBuffersAcceptsOnlyTheModelsRange) {
    WinAsio* driver = make();
    ASSERT_EQ(driver->init(nullptr), ASIOTrue);
    EXPECT_EQ(createBuffers(*driver, 47), ASE_InvalidParameter) << "index 0 is 48 frames";
    EXPECT_EQ(createBuffers(*driver, 1921), ASE_InvalidParameter) << "index 39 is 1920 frames";
    EXPECT_TRUE(device->log.empty()) << "nothing asked of the device";
    EXPECT_EQ(createBuffers(*driver, 1920), ASE_OK);
    driver->Release();
}

TEST_F(WinAsioTest, ClockSourcesFutureAndRateLimits) {
    WinAsio* driver = make();
    ASIOClockSource clocks[2];
    int32_t count = 2;
    ASSERT_EQ(driver->getClockSources(clocks, &count), ASE_OK);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(clocks[0].name, "Internal");
    EXPECT_EQ(clocks[0].associatedChannel, -1);
    EXPECT_EQ(clocks[0].associatedGroup, -1);
    EXPECT_EQ(clocks[0].isCurrentSource, ASIOTrue);
    EXPECT_EQ(driver->setClockSource(0), ASE_OK);
    EXPECT_EQ(driver->setClockSource(1), ASE_NotPresent);
    EXPECT_EQ(errorText(*driver), "Invalid index");

    EXPECT_EQ(driver->future(kAsioCanTimeInfo, nullptr), ASE_SUCCESS);
    EXPECT_EQ(driver->future(kAsioCanTimeCode, nullptr), ASE_SUCCESS);
    EXPECT_EQ(driver->future(kAsioSetInputMonitor, nullptr), ASE_NotPresent);
    EXPECT_EQ(errorText(*driver), "Not supported");

    ASSERT_EQ(driver->init(nullptr), ASIOTrue);
    EXPECT_EQ(driver->canSampleRate(384001), ASE_NoClock);
    EXPECT_EQ(driver->canSampleRate(-1), ASE_NoClock);
    EXPECT_TRUE(device->log.empty()) << "out of the brand's limits: the device is not asked";
    EXPECT_EQ(driver->canSampleRate(96000), ASE_OK);
    EXPECT_EQ(driver->outputReady(), ASE_NotPresent);
    char name[32];
    driver->getDriverName(name);
    EXPECT_STREQ(name, "QMT ASIO");
    EXPECT_EQ(driver->getDriverVersion(), 2);
    ASIOChannelInfo info;
    info.channel = 2;
    info.isInput = ASIOTrue;
    ASSERT_EQ(driver->getChannelInfo(&info), ASE_OK);
    EXPECT_STREQ(info.name, "Channel #3");
    driver->Release();
}

TEST_F(WinAsioTest, StoredBufferSizeIsReadAtConstruction) {
    world.registry.setDword(Hive::CurrentUser, "Software\\QMT\\QMTASIO", "Buffer Size", 0);
    WinAsio* driver = make();
    int32_t in, out;
    ASSERT_EQ(driver->getLatencies(&in, &out), ASE_OK);
    EXPECT_EQ(in, 48);
    driver->Release();
}

TEST_F(WinAsioTest, QueryInterfaceAnswersTheClassIdWithTheAsioInterface) {
    WinAsio* driver = make();
    void* face = nullptr;
    ASSERT_EQ(driver->QueryInterface(QmtAsioBrand::kClassId, &face), S_OK);
    EXPECT_EQ(face, static_cast<IASIO*>(driver));
    EXPECT_EQ(driver->QueryInterface(BrxAsioBrand::kClassId, &face), E_NOINTERFACE);
    static_cast<IASIO*>(driver)->Release();
    EXPECT_EQ(driver->Release(), 0u);

    HRESULT failed = E_FAIL;
    WinAsio empty(world.environment, nullptr, &failed);
    EXPECT_EQ(failed, E_FAIL);
    EXPECT_EQ(empty.getState(), WinAsio::kConstructionFailed);
}

TEST_F(WinAsioTest, PanelSettingsChangedAsksTheHostForAResetWhileBuffersExist) {
    WinAsio* driver = make();
    ASSERT_EQ(driver->init(nullptr), ASIOTrue);
    NamedEvent panel;
    std::string error;
    ASSERT_TRUE(panel.Open("QMTASIOConfigurationChanged", error)) << error;
    ASSERT_EQ(createBuffers(*driver, 288), ASE_OK);
    ASSERT_TRUE(panel.Set());
    EXPECT_TRUE(reset.wait(kInfinite));
    ASSERT_EQ(driver->disposeBuffers(), ASE_OK);

    // Without buffers nobody listens: the signal waits for the next createBuffers.
    ASSERT_TRUE(panel.Set());
    EXPECT_FALSE(reset.wait(0));
    ASSERT_EQ(createBuffers(*driver, 288), ASE_OK);
    EXPECT_TRUE(reset.wait(kInfinite));
    driver->Release();
}

TEST_F(WinAsioTest, ControlPanelStartsFromTheInstallFolder) {
    WinAsio* driver = make();
    EXPECT_EQ(driver->controlPanel(), ASE_NotPresent) << "no install folder";
    world.registry.setString(Hive::LocalMachine, "Software\\QMT\\QMTASIO", "",
                             world.folder.path() + "/");
    EXPECT_EQ(driver->controlPanel(), ASE_NotPresent) << "no panel program there";
    const std::string panel = world.folder.file("qmtasioconfig");
    std::ofstream(panel) << "#!/bin/sh\n";
    ASSERT_EQ(driver->controlPanel(), ASE_OK);
    EXPECT_EQ(world.launcher.started, std::vector<std::string>{panel});
    EXPECT_EQ(world.launcher.arguments, std::vector<std::string>{panel});
    world.launcher.succeeds = false;
    EXPECT_EQ(driver->controlPanel(), ASE_NotPresent);
    driver->Release();
}

TEST(WinAsioBrxTest, SecondBrandsNamesRateAndSizes) {
    BrxAsioBrand brand;
    AsioTestWorld world;
    HRESULT status = S_OK;
    auto* driver = new WinAsio(world.environment, nullptr, &status);
    driver->NonDelegatingAddRef();
    char name[32];
    driver->getDriverName(name);
    EXPECT_STREQ(name, "BRX ASIO");
    int32_t in, out;
    ASSERT_EQ(driver->getLatencies(&in, &out), ASE_OK);
    EXPECT_EQ(in, 265) << "index 4 (6 ms) at the default 44.1 kHz";
    EXPECT_EQ(driver->bufferSizeOfIndex(0), 89u) << "2 ms";
    void* face = nullptr;
    EXPECT_EQ(driver->QueryInterface(BrxAsioBrand::kClassId, &face), S_OK);
    static_cast<IASIO*>(face)->Release();
    driver->Release();
}

}  // namespace
}  // namespace qmt
