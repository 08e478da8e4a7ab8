#pragma once
// A driver object for host tests: 16 inputs and 16 outputs of 24 bits (the first two inputs
// active), the buffer size and failures the test sets, and its callbacks kept so the test can
// switch buffers and send messages as the driver's threads would.

#include <cstring>
#include <string>
#include <vector>

#include "asio/IAsio.h"

namespace qmt {

class FakeAsioDriver final : public IASIO {
  public:
    int32_t preferredFrames = 64;
    bool initSucceeds = true;
    ASIOSampleRate rate = 44100;
    int references = 1;
    int created = 0;  // createBuffers calls that succeeded
    int disposed = 0;
    bool started = false;
    ASIOCallbacks callbacks{};
    std::vector<std::vector<int32_t>> storage;  // two halves per channel, 24-bit packed inside

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return static_cast<ULONG>(++references); }
    ULONG Release() override { return static_cast<ULONG>(--references); }

    ASIOBool init(void*) override { return initSucceeds ? ASIOTrue : ASIOFalse; }
    void getDriverName(char* name) override { std::strcpy(name, "Fake ASIO"); }
    int32_t getDriverVersion() override { return 1; }
    void getErrorMessage(char* text) override {
        std::strcpy(text, initSucceeds ? "" : "no controller is connected");
    }
    ASIOError start() override {
        started = true;
        return ASE_OK;
    }
    ASIOError stop() override {
        started = false;
        return ASE_OK;
    }
    ASIOError getChannels(int32_t* inputs, int32_t* outputs) override {
        *inputs = *outputs = 16;
        return ASE_OK;
    }
    ASIOError getLatencies(int32_t* in, int32_t* out) override {
        *in = *out = preferredFrames;
        return ASE_OK;
    }
    ASIOError getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                            int32_t* granularity) override {
        *minimum = *maximum = *preferred = preferredFrames;
        *granularity = 0;
        return ASE_OK;
    }
    ASIOError canSampleRate(ASIOSampleRate asked) override {
        return asked == 44100 || asked == 48000 ? ASE_OK : ASE_NoClock;
    }
    ASIOError getSampleRate(ASIOSampleRate* current) override {
        *current = rate;
        return ASE_OK;
    }
    ASIOError setSampleRate(ASIOSampleRate asked) override {
        rate = asked;
        return ASE_OK;
    }
    ASIOError getClockSources(ASIOClockSource*, int32_t* count) override {
        *count = 0;
        return ASE_OK;
    }
    ASIOError setClockSource(int32_t) override { return ASE_OK; }
    ASIOError getSamplePosition(ASIOSamples*, ASIOTimeStamp*) override { return ASE_OK; }
    ASIOError getChannelInfo(ASIOChannelInfo* info) override {
        const std::string name =
            (info->isInput ? "In " : "Out ") + std::to_string(info->channel + 1);
        std::strcpy(info->name, name.c_str());
        info->isActive = info->isInput == ASIOFalse || info->channel < 2 ? ASIOTrue : ASIOFalse;
        info->type = ASIOSTInt24LSB;
        return ASE_OK;
    }
    ASIOError createBuffers(ASIOBufferInfo* infos, int32_t count, int32_t frames,
                            ASIOCallbacks* given) override {
        if (frames != preferredFrames) return ASE_InvalidMode;
        storage.assign(static_cast<size_t>(count) * 2,
                       std::vector<int32_t>(static_cast<size_t>(frames)));
        for (int32_t i = 0; i < count; ++i) {
            infos[i].buffers[0] = storage[static_cast<size_t>(i) * 2].data();
            infos[i].buffers[1] = storage[static_cast<size_t>(i) * 2 + 1].data();
        }
        callbacks = *given;
        ++created;
        return ASE_OK;
    }
    ASIOError disposeBuffers() override {
        ++disposed;
        return ASE_OK;
    }
    ASIOError controlPanel() override { return ASE_OK; }
    ASIOError future(int32_t, void*) override { return ASE_InvalidParameter; }
    ASIOError outputReady() override { return ASE_NotPresent; }
};

}  // namespace qmt
