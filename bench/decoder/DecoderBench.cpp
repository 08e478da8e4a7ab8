// One full input report of each model through its decoder and the action engine, with a
// preset that assigns every control of the model and a sink that drops the messages.
// Two reports alternate so that every button, wheel, slider and pad changes each time.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "common/Clock.h"
#include "engine/ActionEngine.h"
#include "engine/ArdoHandlerAbs.h"
#include "engine/ControllerHandlerFactory.h"
#include "engine/KvHandlerAbs.h"
#include "engine/MemoryHidDevice.h"

namespace qmt {
namespace {

class NullSink final : public MidiSinkIf {
  public:
    void SendOne(uint32_t, int64_t) override { ++count; }
    void SendPair(uint32_t, uint32_t, int64_t) override { ++count; }
    void SendOnAllChannels(uint32_t, int64_t) override { ++count; }
    void SendPairOnAllChannels(uint32_t, uint32_t, int64_t) override { ++count; }
    void SendOnMarkedChannels(uint32_t, const ChannelMask&, int64_t) override { ++count; }
    void SendPairOnMarkedChannels(uint32_t, uint32_t, const ChannelMask&, int64_t) override {
        ++count;
    }
    void SendExtended(const uint8_t*, uint8_t, int64_t) override { ++count; }
    uint64_t count = 0;
};

Message Make(uint8_t kind, uint8_t number, int32_t threshold = 0) {
    Message m;
    m.kind = kind;
    m.channel = number % 16;
    m.number = number % 128;
    m.value = 127;
    m.encoding = kEnc3F41;
    m.threshold = threshold;
    return m;
}

// Every control of the model gets the assignment a preset author would give it.
void FillPreset(Preset& preset, uint8_t model) {
    const ModelControls& c = *ControlsOf(model);
    for (uint8_t id : c.buttons) {
        Assignment a;
        a.function = kTrigger;
        a.messages = {Make(kMsgNote, id), Make(kMsgNote, id)};
        preset.lists[id].push_back(a);
        Assignment shifted = a;  // a second layer under the first button as modifier
        shifted.modifier = c.buttons[0];
        preset.lists[id].push_back(shifted);
    }
    for (uint8_t id : c.rotaries) {
        Assignment a;
        a.function = kRotate;
        a.messages = {Make(kMsgControlChange, id, 4096), Make(kMsgControlChange, id, 4096)};
        preset.lists[id].push_back(a);
    }
    for (uint8_t id : c.absolutes) {
        Assignment a;
        a.function = kSlide;
        a.messages = {Make(kMsgHiResControlChange, id % 32, 4096),
                      Make(kMsgHiResControlChange, id % 32, 4096)};
        preset.lists[id].push_back(a);
    }
    for (uint8_t id : c.pads) {
        Assignment a;
        a.function = kPress;
        a.messages = {Make(kMsgNote, id), Make(kMsgNote, id)};
        preset.lists[id].push_back(a);
    }
}

// Two reports with every field different: all buttons down versus up, wheels, positions.
std::vector<std::vector<uint8_t>> Reports(uint8_t model) {
    const size_t length = model == kModelKv10 ? 11 : model == kModelKv5 ? 17 : 65;
    std::vector<uint8_t> a(length, 0), b(length, 0);
    if (model == kModelKv10) {
        for (size_t i = 1; i < 11; ++i)
            b[i] = static_cast<uint8_t>(0x55 + i);
        b[1] = 0, b[2] = 0;  // forward ticks only
    } else if (model == kModelKv5) {
        for (size_t i = 2; i < 17; ++i)
            b[i] = static_cast<uint8_t>(0x40 + 3 * i);
    } else {
        for (size_t i = 3; i < 65; ++i)
            b[i] = static_cast<uint8_t>(0x21 + 7 * i);
        a[2] = b[2] = 53;
        a[1] = b[1] = 0;
        const size_t deck = model == kModelArdoRawProto2009 ? 48 : 53;
        a[deck] = b[deck] = 1;
        if (model == kModelArdoRaw) a[48] = 0, b[48] = 2;
    }
    return {a, b};
}

void BM_Report(benchmark::State& state) {
    const auto model = static_cast<uint8_t>(state.range(0));
    ManualClock clock(10'000'000);
    NullSink sink;
    MidiState midi;
    InitialiseSharedMidiState(midi);
    ActionEngine engine(sink, midi);
    auto handler =
        CreateControllerHandler(model, engine, clock, std::make_unique<MemoryHidDevice>("BENCH"));
    handler->Attach("bench");
    std::array<Preset, 7> presets{};
    PresetSlots slots{};
    for (int s = 0; s < 7; ++s) {
        FillPreset(presets[s], model);
        slots[s] = &presets[s];
    }
    handler->SetPresets(slots);
    const auto reports = Reports(model);
    auto decode = [&](const std::vector<uint8_t>& report) {
        if (auto* kv = dynamic_cast<KvHandlerAbs*>(handler.get())) return kv->DecodeReport(report);
        return static_cast<ArdoHandlerAbs&>(*handler).DecodeReport(report);
    };
    decode(reports[0]);
    size_t n = 0;
    for (auto _ : state) {
        clock.advance(10'000);
        benchmark::DoNotOptimize(decode(reports[++n & 1]));
    }
    state.counters["messages/report"] =
        benchmark::Counter(static_cast<double>(sink.count), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_Report)
    ->ArgName("model")
    ->Arg(kModelKv10)
    ->Arg(kModelKv5)
    ->Arg(kModelArdo)
    ->Arg(kModelArdoRawProto2009)
    ->Arg(kModelArdoRaw);

}  // namespace
}  // namespace qmt

BENCHMARK_MAIN();
