#include "CompositeRig.h"

#include "asio/Int24.h"

namespace qmt {

namespace {
TestHost* currentHost = nullptr;

int32_t readSample(const void* buffer, size_t index, uint32_t bits) {
    if (bits == 16) return static_cast<const int16_t*>(buffer)[index];
    if (bits == 24) return static_cast<int32_t>(static_cast<const Int24*>(buffer)[index]);
    return static_cast<const int32_t*>(buffer)[index];
}

void writeSample(void* buffer, size_t index, uint32_t bits, int32_t value) {
    if (bits == 16) {
        static_cast<int16_t*>(buffer)[index] = static_cast<int16_t>(value);
    } else if (bits == 24) {
        static_cast<Int24*>(buffer)[index] = Int24(value);
    } else {
        static_cast<int32_t*>(buffer)[index] = value;
    }
}
}  // namespace

TestHost::TestHost() {
    currentHost = this;
    callbacks.bufferSwitch = &TestHost::bufferSwitch;
    callbacks.bufferSwitchTimeInfo = &TestHost::bufferSwitchTimeInfo;
    callbacks.sampleRateDidChange = &TestHost::sampleRateDidChange;
    callbacks.asioMessage = &TestHost::asioMessage;
}

TestHost::~TestHost() {
    currentHost = nullptr;
}

void TestHost::bufferSwitch(int32_t half, ASIOBool) {
    currentHost->handle(half, nullptr);
}

ASIOTime* TestHost::bufferSwitchTimeInfo(ASIOTime* time, int32_t half, ASIOBool) {
    currentHost->handle(half, time);
    return nullptr;
}

void TestHost::sampleRateDidChange(ASIOSampleRate rate) {
    currentHost->rateChanges.push_back(rate);
}

int32_t TestHost::asioMessage(int32_t selector, int32_t, void*, double*) {
    return selector == kAsioSupportsTimeInfo && currentHost->timeInfo ? 1 : 0;
}

void TestHost::handle(int32_t half, const ASIOTime* time) {
    halves.push_back(half);
    if (time != nullptr) times.push_back(*time);
    inputs.resize(infos.size());
    for (size_t i = 0; i < infos.size(); ++i) {
        void* buffer = infos[i].buffers[half];
        for (uint32_t frame = 0; frame < frames; ++frame) {
            if (infos[i].isInput != ASIOFalse) {
                inputs[i].push_back(readSample(buffer, frame, bits));
            } else {
                writeSample(
                    buffer, frame, bits,
                    hostPattern(static_cast<uint32_t>(infos[i].channelNum), played_ + frame));
            }
        }
    }
    played_ += frames;
    if (onSwitch) onSwitch(half);
}

CompositeRig::CompositeRig(std::unique_ptr<AsioBrandIf> made) : brand(std::move(made)) {
    registry = std::make_unique<AsioDeviceRegistry>(*brand, world.tree, world.cards, world.registry,
                                                    brand->createDeviceModels(world.tree),
                                                    &world.registryClock, &world.registryWait);
    registry->initialize();
    device = CompositeKsAudioDevice::create(*registry, world.environment);
    host.bits = brand->getSampleBitDepth();
}

CompositeRig::~CompositeRig() {
    device.reset();
    registry.reset();
}

int CompositeRig::plug(SimControllerModel model, const std::u16string& serial, int port) {
    const int controller = world.tree.plugController(model, serial, port);
    registry->enumerateDevices();
    return controller;
}

void CompositeRig::unplug(int controller) {
    world.tree.unplugController(controller);
    registry->enumerateDevices();
}

void CompositeRig::replug(int controller, int port) {
    world.tree.moveController(controller, port);
    registry->enumerateDevices();
}

ASIOError CompositeRig::createBuffers(const std::vector<int32_t>& outputs,
                                      const std::vector<int32_t>& inputs, int32_t frames) {
    host.infos.clear();
    for (int32_t channel : outputs)
        host.infos.push_back({ASIOFalse, channel, {nullptr, nullptr}});
    for (int32_t channel : inputs)
        host.infos.push_back({ASIOTrue, channel, {nullptr, nullptr}});
    host.frames = static_cast<uint32_t>(frames);
    return device->createBuffers(host.infos.data(), static_cast<int32_t>(host.infos.size()), frames,
                                 &host.callbacks);
}

bool CompositeRig::startStream(const std::vector<int32_t>& outputs,
                               const std::vector<int32_t>& inputs, int32_t frames) {
    if (createBuffers(outputs, inputs, frames) != ASE_OK) return false;
    idle();
    if (device->start() != ASE_OK) return false;
    idle();
    return true;
}

void CompositeRig::runFrames(uint32_t frames) {
    world.cards.advanceFrames(frames);
    idle();
}

void CompositeRig::runMs(int64_t ms) {
    world.streamWait.advanceMs(ms);
    idle();
}

}  // namespace qmt
