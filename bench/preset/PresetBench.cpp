// Loading a full ARDO RAW preset: every control with four assignments, parsed from memory
// and loaded from a file, as the driver does when a mapping is applied.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "model/PresetFile.h"

namespace {

using namespace qmt;

Assignment AssignmentFor(uint8_t control, int n) {
    Assignment a;
    const uint8_t number = static_cast<uint8_t>((control + n * 23) % 128);
    switch (ControlKindOf(control)) {
        case ControlKind::Rotary:
            a.function = kRotate;
            a.messages[0] = {.kind = kMsgControlChange, .threshold = 4096, .number = number};
            a.messages[1] = {.kind = kMsgHiResControlChange, .threshold = 8192, .number = 5};
            break;
        case ControlKind::Absolute:
            a.function = kSlide;
            a.messages[0] = {.kind = kMsgPitchWheel, .channel = kChannelDefault, .threshold = 4096};
            break;
        case ControlKind::VelocityPad:
            a.function = kPress;
            a.messages[0] = {.kind = kMsgNote, .number = number};
            a.messages[1] = {.kind = kMsgAftertouch, .number = number};
            break;
        case ControlKind::Button:
            a.function = static_cast<uint8_t>(n % 3);
            a.interval = 50 * 10000;
            a.modifier = n == 0 ? kNoControl : 22;
            a.messages[0] = {.kind = kMsgNote, .number = number, .value = 127};
            a.messages[1] = {.kind = kMsgControlChange, .channel = 3, .number = number, .value = 0};
            break;
    }
    return a;
}

std::vector<uint8_t> FullPresetBytes() {
    Preset preset;
    preset.kind = PresetKind::Kqp;
    for (uint8_t control = 0; control < kControlCount; ++control) {
        for (int n = 0; n < 4; ++n)
            preset.lists[control].push_back(AssignmentFor(control, n));
    }
    return WritePreset(preset);
}

void BM_ParsePresetFromMemory(benchmark::State& state) {
    const std::vector<uint8_t> bytes = FullPresetBytes();
    for (auto _ : state) {
        PresetPtr preset = ParsePreset(bytes);
        if (!preset) state.SkipWithError("the preset did not parse");
        benchmark::DoNotOptimize(preset.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParsePresetFromMemory)->Unit(benchmark::kMicrosecond);

void BM_LoadAndValidatePresetFromFile(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "qmt-preset-bench.kqp").string();
    if (!SaveFileAtomically(path, FullPresetBytes())) {
        state.SkipWithError("cannot write the preset file");
        return;
    }
    for (auto _ : state) {
        PresetPtr preset = LoadPreset(path);
        if (!preset || !ValidatePreset(*preset)) state.SkipWithError("the preset did not load");
        benchmark::DoNotOptimize(preset.get());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadAndValidatePresetFromFile)->Unit(benchmark::kMicrosecond);

void BM_WritePreset(benchmark::State& state) {
    PresetPtr preset = ParsePreset(FullPresetBytes());
    for (auto _ : state)
        benchmark::DoNotOptimize(WritePreset(*preset));
}
BENCHMARK(BM_WritePreset)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
