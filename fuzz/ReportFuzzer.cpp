// Input reports of every model through its decoder and the action engine, with presets read
// from the input (any preset the driver would accept). The input picks the model, the
// channels and the presets, then a run of steps: reports of the model's length (whatever
// their bytes), idle ticks, state refreshes and preset changes, with time moving between
// them by small and large amounts. Every message that comes out must be well formed: a
// status byte, data bytes of at most 0x7F, the length its status calls for, on a channel
// the presets name; an extended message exactly as a preset stores it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ActionEngine.h"
#include "engine/ControllerHandlerFactory.h"
#include "engine/MemoryHidDevice.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzedMapping.h"
#include "script/TranslateScript.h"

namespace {

using namespace qmt;

// Enough steps to reach every state a short session reaches.
constexpr int kMaxSteps = 500;
// A state refresh walks every control of the presets, and a reload initialises them again:
// a few per input reach what they reach, more only repeat it at a high cost per step.
constexpr int kMaxResends = 4;
constexpr int kMaxReloads = 4;

class CheckingSink final : public MessageSinkAbs {
  public:
    explicit CheckingSink(const fuzz::NameableOutput& nameable) : nameable_(nameable) {}

    void Short(uint32_t word, int64_t) override {
        const uint8_t status = WordStatus(word);
        const uint8_t length = WordLength(word);
        QMT_FUZZ_CHECK(status >= 0x80 && status < 0xF0);
        const uint8_t type = status & 0xF0;
        QMT_FUZZ_CHECK(length == (type == 0xC0 || type == 0xD0 ? 2 : 3));
        QMT_FUZZ_CHECK(WordData1(word) <= 0x7F);
        QMT_FUZZ_CHECK(length == 2 || WordData2(word) <= 0x7F);
        QMT_FUZZ_CHECK((word >> 24) == length);
        QMT_FUZZ_CHECK(nameable_.channels[status & 0x0F]);
    }
    void Extended(const uint8_t* bytes, uint8_t length, int64_t) override {
        QMT_FUZZ_CHECK(nameable_.extended.count(std::vector<uint8_t>(bytes, bytes + length)) == 1);
    }

  private:
    const fuzz::NameableOutput& nameable_;
};

// Time between steps: mostly report intervals, sometimes long pauses, never backwards.
int64_t Advance(uint8_t code, fuzz::FuzzInput& input) {
    if (code == 63) return int64_t{input.u16()} * 10'000;  // up to about a minute
    return int64_t{code} * code * 250;                     // 0 to about 1 ms
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput input(data, size);
    const uint8_t model = fuzz::ModelFromByte(input.u8());
    MappingPtr mapping = fuzz::FuzzedMapping(model, input);
    const fuzz::NameableOutput nameable = fuzz::NameableOutputOf(mapping->entries[0]);

    ManualClock clock(1'000'000);
    CheckingSink sink(nameable);
    MidiState state;
    InitialiseSharedMidiState(state);
    ActionEngine engine(sink, state);
    auto owned = std::make_unique<MemoryHidDevice>("FUZZ");
    MemoryHidDevice& device = *owned;
    auto handler = CreateControllerHandler(model, engine, clock, std::move(owned));
    QMT_FUZZ_CHECK(handler != nullptr);
    handler->Attach("fuzz");
    const PresetSlots slots = PresetSlotsOf(ApplyMappingToDevice(*mapping, model, "FUZZ"));
    handler->SetPresets(slots);
    handler->StartReader();

    const size_t length = ReportLengthOf(model);
    int resends = 0;
    int reloads = 0;
    for (int step = 0; step < kMaxSteps && !input.empty(); ++step) {
        const uint8_t op = input.u8();
        clock.advance(Advance(op >> 2, input));
        int64_t now = 0;
        clock.Now(now);
        switch (op & 3) {
            case 0: {
                std::vector<uint8_t> report(length, 0);
                const auto bytes = input.take(length);
                std::copy(bytes.begin(), bytes.end(), report.begin());
                device.QueueReport(std::move(report));
                handler->ReportStep();
                device.ClearInput();
                break;
            }
            case 1:
                handler->IdleStep();
                break;
            case 2:
                if (++resends <= kMaxResends) engine.ResendControllerState(*mapping, now);
                break;
            case 3:
                // A reload hands the same presets in again: the next report only initialises.
                if (++reloads > kMaxReloads) break;
                handler->StopReader();
                handler->SetPresets(PresetSlots{});
                handler->SetPresets(slots);
                handler->StartReader();
                break;
        }
    }
    handler->StopReader();
    return 0;
}
