// One engine call per report on a realistic control: a few assignments, some under
// modifiers, sending into a sink that drops everything.

#include <benchmark/benchmark.h>

#include "engine/ActionEngine.h"

namespace qmt {
namespace {

class NullSink : public MidiSinkIf {
  public:
    void SendOne(uint32_t word, int64_t) override { benchmark::DoNotOptimize(word); }
    void SendPair(uint32_t first, uint32_t, int64_t) override { benchmark::DoNotOptimize(first); }
    void SendOnAllChannels(uint32_t word, int64_t) override { benchmark::DoNotOptimize(word); }
    void SendPairOnAllChannels(uint32_t first, uint32_t, int64_t) override {
        benchmark::DoNotOptimize(first);
    }
    void SendOnMarkedChannels(uint32_t word, const ChannelMask&, int64_t) override {
        benchmark::DoNotOptimize(word);
    }
    void SendPairOnMarkedChannels(uint32_t first, uint32_t, const ChannelMask&, int64_t) override {
        benchmark::DoNotOptimize(first);
    }
    void SendExtended(const uint8_t* bytes, uint8_t, int64_t) override {
        benchmark::DoNotOptimize(bytes);
    }
};

constexpr int64_t kReportPeriod = 10000;  // 1 ms in port clock units
constexpr uint8_t kShift = 9;
constexpr uint8_t kShift2 = 20;

Message MakeMessage(uint8_t kind, uint8_t channel, uint8_t number, int32_t threshold) {
    Message m;
    m.kind = kind;
    m.channel = channel;
    m.number = number;
    m.value = 100;
    m.max = 127;
    m.step = 1;
    m.threshold = threshold;
    m.encoding = kEnc7F01;
    return m;
}

Assignment MakeAssignment(uint8_t function, uint8_t kind, uint8_t number, uint8_t modifier,
                          int32_t threshold = 0) {
    Assignment a;
    a.function = function;
    a.modifier = modifier;
    a.releaseTimeout = 200 * 10000;
    a.interval = 100 * 10000;
    a.messages = {MakeMessage(kind, 0, number, threshold), MakeMessage(kind, 0, number, threshold)};
    return a;
}

struct Rig {
    NullSink sink;
    MidiState state;
    ActionEngine engine{sink, state};
    HeldTable held{};
    int64_t now = 1;

    ControlContext Next() {
        now += kReportPeriod;
        return {ModelFamily::Kv, true, &held, now};
    }
};

// A button with a shifted and a plain note, an auto repeat under a second modifier, and a
// plain control change; the button is pressed on alternate reports with one modifier held.
void BM_ButtonEvents(benchmark::State& st) {
    Rig rig;
    rig.held[kShift] = true;
    AssignmentList list{MakeAssignment(kTrigger, kMsgNote, 60, kShift),
                        MakeAssignment(kAutoRepeat, kMsgControlChangeInc, 7, kShift2),
                        MakeAssignment(kTrigger, kMsgNote, 61, kNoControl),
                        MakeAssignment(kToggle, kMsgControlChange, 8, kNoControl)};
    bool pressed = false;
    for (auto _ : st) {
        pressed = !pressed;
        rig.engine.ButtonEvents(list, rig.Next(), pressed);
    }
}
BENCHMARK(BM_ButtonEvents);

// A jog wheel: relative control change under a modifier, a plain one, and a plain pitch
// wheel, turned by a varying amount every report.
void BM_RotateEvent(benchmark::State& st) {
    Rig rig;
    rig.held[kShift] = true;
    AssignmentList list{MakeAssignment(kRotate, kMsgControlChange, 16, kShift, 4096),
                        MakeAssignment(kRotate, kMsgControlChange, 17, kNoControl, 4096),
                        MakeAssignment(kRotate, kMsgPitchWheel, 0, kNoControl, 4096)};
    int32_t movement = 0;
    for (auto _ : st) {
        movement = (movement + 5 * 4096 + 123) % (12 * 4096) - 6 * 4096;
        rig.engine.RotaryEvents(list, rig.Next(), movement);
        rig.held[kShift] = !rig.held[kShift];
    }
}
BENCHMARK(BM_RotateEvent);

// A slider with a 14-bit pair, a plain control change and a modified program change, moved
// back and forth across its range.
void BM_SlideEvent(benchmark::State& st) {
    Rig rig;
    AssignmentList list{MakeAssignment(kSlide, kMsgHiResControlChange, 1, kNoControl, 4096),
                        MakeAssignment(kSlide, kMsgControlChange, 2, kNoControl, 8 * 4096),
                        MakeAssignment(kSlide, kMsgProgramChange, 0, kShift, 4096)};
    uint16_t position = 0;
    for (auto _ : st) {
        position = static_cast<uint16_t>(position + 977);
        rig.engine.SlideEvents(list, rig.Next(), position);
    }
}
BENCHMARK(BM_SlideEvent);

}  // namespace
}  // namespace qmt

BENCHMARK_MAIN();
