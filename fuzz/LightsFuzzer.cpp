// MIDI arriving at "QMT MIDI Out" into each model's lights. The input picks the model and its
// presets (their input channels decide what the lights listen to), then a run of: render
// events of any length and flags (packages included), raw byte streams as an application
// sends them (running status, long system-exclusive) turned into events the way the Linux
// port turns them, batches handed to the controller as the device worker hands them, and
// writer steps with time moving on. Checked: every output report is one of the model's
// report kinds, 33 bytes, with nothing set past its LEDs; models without lights write
// nothing at all.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "driver/RenderEventBuffer.h"
#include "engine/ActionEngine.h"
#include "engine/ControllerHandlerFactory.h"
#include "engine/MemoryHidDevice.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzedMapping.h"
#include "platform/MidiPort.h"
#ifdef QMT_FUZZ_WITH_ALSA
#include "platform/linux/MidiEventCodec.h"
#endif

namespace {

using namespace qmt;

constexpr int kMaxSteps = 500;

// Report kinds by their command bytes, with how many bytes after them may be non-zero.
struct ReportKind {
    uint8_t command;
    uint8_t size;
    uint8_t usedBytes;  // bytes from offset 3 that may be non-zero
    bool ardoOnly;
    bool othersOnly;
};
constexpr ReportKind kReportKinds[] = {
    {10, 2, 0, true, false},     // firmware version request
    {5, 3, 1, false, false},     // touch-pad mode
    {20, 32, 30, false, false},  // group 1, first ring
    {21, 32, 30, false, false},  // group 1, second ring
    {22, 24, 22, true, false},   // ARDO group 2
    {22, 25, 23, false, true},   // ARDO RAW and model 4 group 2
    {23, 22, 20, true, false},   // ARDO group 3
    {6, 7, 5, true, false},      // ARDO deck values
};

void CheckReport(uint8_t model, std::span<const uint8_t> report) {
    QMT_FUZZ_CHECK(model == kModelArdo || model == kModelArdoRaw ||
                   model == kModelArdoRawProto2009);
    QMT_FUZZ_CHECK(report.size() == 33 && report[0] == 0);
    const bool ardo = model == kModelArdo;
    const ReportKind* kind = nullptr;
    for (const ReportKind& k : kReportKinds)
        if (k.command == report[1] && k.size == report[2] && !(k.ardoOnly && !ardo) &&
            !(k.othersOnly && ardo))
            kind = &k;
    QMT_FUZZ_CHECK(kind != nullptr);
    for (size_t i = 3u + kind->usedBytes; i < report.size(); ++i)
        QMT_FUZZ_CHECK(report[i] == 0);
    if (kind->command == 5) QMT_FUZZ_CHECK(report[3] <= 1);
    if (kind->command == 6) QMT_FUZZ_CHECK(report[3] <= 3);
}

// The events of one batch, kept alive until the batch is copied.
class EventChain {
  public:
    void Add(std::span<const uint8_t> bytes, uint16_t flags, bool inPackage) {
        auto& event = events_.emplace_back(std::make_unique<DMusEvent>());
        event->flags = flags;
        event->byteCount = static_cast<uint32_t>(bytes.size());
        if (bytes.size() <= kDMusInlineBytes) {
            if (!bytes.empty()) std::memcpy(event->data, bytes.data(), bytes.size());
        } else {
            auto owned = std::make_shared<std::vector<uint8_t>>(bytes.begin(), bytes.end());
            event->dataPointer = owned->data();
            event->dataOwner = owned;
        }
        Link(event.get(), inPackage);
    }
    // Copies the chain into the buffer as a render stream's PutMessage does, then forgets it.
    void CopyInto(RenderEventBuffer& buffer) {
        if (!events_.empty()) buffer.CopyChain(head_);
        events_.clear();
        head_ = tail_ = package_ = packageTail_ = nullptr;
    }

  private:
    void Link(DMusEvent* event, bool inPackage) {
        if (inPackage) {
            if (package_ == nullptr) {
                auto& holder = events_.emplace_back(std::make_unique<DMusEvent>());
                holder->flags = kDMusEventStructured | kDMusEventPackage;
                holder->byteCount = 16;  // a package is never short enough to travel inline
                Link(holder.get(), false);
                package_ = holder.get();
            }
            if (packageTail_ == nullptr) {
                package_->package = event;
            } else {
                packageTail_->next = event;
            }
            packageTail_ = event;
            return;
        }
        if (tail_ == nullptr) {
            head_ = event;
        } else {
            tail_->next = event;
        }
        tail_ = event;
        package_ = packageTail_ = nullptr;
    }

    std::deque<std::unique_ptr<DMusEvent>> events_;
    DMusEvent* head_ = nullptr;
    DMusEvent* tail_ = nullptr;
    DMusEvent* package_ = nullptr;
    DMusEvent* packageTail_ = nullptr;
};

// The controls' own MIDI is not what this target looks at.
class NullSink final : public MessageSinkAbs {
  public:
    void Short(uint32_t, int64_t) override {}
    void Extended(const uint8_t*, uint8_t, int64_t) override {}
};

// What the device worker does with a drained buffer.
void Batch(ControllerHandler& handler, RenderEventBuffer& buffer) {
    if (handler.AcceptsMidi()) {
        handler.BeginMidiBatch();
        for (uint32_t n = 0; n < buffer.count(); ++n) {
            const uint32_t word = static_cast<uint32_t>(buffer.at(n).data);
            handler.MidiMessage(
                buffer.at(n).length,
                MidiBytes{static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                          static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)});
        }
        handler.EndMidiBatch();
    }
    buffer.Clear();
}

// Raw bytes as an application's stream: the Linux port encodes them into sequencer events
// and decodes each event back into one message's bytes.
void AddStream(EventChain& chain, std::span<const uint8_t> bytes) {
#ifdef QMT_FUZZ_WITH_ALSA
    static MidiEventCodec encoder;
    static MidiEventCodec decoder;
    QMT_FUZZ_CHECK(encoder.valid() && decoder.valid());
    for (const snd_seq_event_t& event : encoder.Encode(bytes)) {
        const std::vector<uint8_t> message = decoder.Decode(event);
        if (!message.empty()) chain.Add(message, kDMusEventStructured, false);
    }
#else
    // Without the Linux backend the stream is cut into three-byte events.
    for (size_t i = 0; i < bytes.size(); i += 3)
        chain.Add(bytes.subspan(i, std::min<size_t>(3, bytes.size() - i)), kDMusEventStructured,
                  false);
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static RenderEventBuffer buffer;  // 4096 entries: kept between inputs, emptied each time
    buffer.Clear();
    fuzz::FuzzInput input(data, size);
    const uint8_t model = fuzz::ModelFromByte(input.u8());
    MappingPtr mapping = fuzz::FuzzedMapping(model, input);

    ManualClock clock(1'000'000);
    NullSink sink;
    MidiState state;
    InitialiseSharedMidiState(state);
    ActionEngine engine(sink, state);
    auto owned = std::make_unique<MemoryHidDevice>("FUZZ");
    owned->SetWriteListener(
        [model](std::span<const uint8_t> report) { CheckReport(model, report); });
    auto handler = CreateControllerHandler(model, engine, clock, std::move(owned));
    QMT_FUZZ_CHECK(handler != nullptr);
    handler->Attach("fuzz");
    handler->SetPresets(PresetSlotsOf(ApplyMappingToDevice(*mapping, model, "FUZZ")));
    handler->StartReader();
    handler->StartWriter();

    EventChain chain;
    for (int step = 0; step < kMaxSteps && !input.empty(); ++step) {
        const uint8_t op = input.u8();
        switch (op & 3) {
            case 0: {
                const auto bytes = input.take(input.u8());
                const uint16_t flags = (op & 4) ? 0 : kDMusEventStructured;
                chain.Add(bytes, flags, (op & 8) != 0);
                break;
            }
            case 1:
                AddStream(chain, input.take(input.u8()));
                break;
            case 2:
                chain.CopyInto(buffer);
                Batch(*handler, buffer);
                break;
            case 3:
                // The writer runs every 20 ms; blink ticks are 150 ms, refreshes 2.5 s.
                clock.advance(int64_t{op >> 2} * 20 * 10'000);
                handler->WriterStep();
                break;
        }
    }
    chain.CopyInto(buffer);
    Batch(*handler, buffer);
    for (int tick = 0; tick < 3; ++tick) {
        clock.advance(200'000);
        handler->WriterStep();
    }
    handler->StopWriter();
    handler->StopReader();
    return 0;
}
