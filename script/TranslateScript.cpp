#include "script/TranslateScript.h"

#include <cstdio>

#include "common/Clock.h"
#include "engine/ActionEngine.h"
#include "engine/ControllerHandlerFactory.h"
#include "engine/MemoryHidDevice.h"
#include "engine/QmtArdoControllerHandler.h"
#include "engine/QmtKv10ControllerHandler.h"
#include "engine/QmtKv5ControllerHandler.h"

namespace qmt {

namespace {

void PrintBytes(std::ostream& out, const uint8_t* bytes, size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (size_t n = 0; n < count; ++n)
        out << ' ' << kDigits[bytes[n] >> 4] << kDigits[bytes[n] & 0x0F];
}

// Prints every posted message as one `midi` line.
class PrintingSink final : public MessageSinkAbs {
  public:
    explicit PrintingSink(std::ostream& out) : out_(out) {}
    void Short(uint32_t word, int64_t time) override {
        const uint8_t bytes[3] = {WordStatus(word), WordData1(word), WordData2(word)};
        const size_t count = WordLength(word) < 3 ? WordLength(word) : 3;
        out_ << "midi " << time;
        PrintBytes(out_, bytes, count);
        out_ << '\n';
    }
    void Extended(const uint8_t* bytes, uint8_t length, int64_t time) override {
        out_ << "midi " << time;
        PrintBytes(out_, bytes, length);
        out_ << '\n';
    }

  private:
    std::ostream& out_;
};

}  // namespace

std::optional<uint8_t> ModelTypeForName(const std::string& name) {
    if (name == "kv10") return kModelKv10;
    if (name == "kv5") return kModelKv5;
    if (name == "ardo") return kModelArdo;
    if (name == "ardo-raw-proto-2009") return kModelArdoRawProto2009;
    if (name == "ardo-raw") return kModelArdoRaw;
    return std::nullopt;
}

size_t ReportLengthOf(uint8_t modelType) {
    switch (modelType) {
        case kModelKv10:
            return QmtKv10ControllerHandler::kReportLength;
        case kModelKv5:
            return QmtKv5ControllerHandler::kReportLength;
        case kModelArdo:
        case kModelArdoRawProto2009:
        case kModelArdoRaw:
            return ArdoHandlerAbs::kReportLength;
        default:
            return 0;
    }
}

bool ParseTranslateScript(std::istream& in, uint8_t modelType, std::vector<ScriptLine>& lines,
                          std::string& error) {
    using Kind = ScriptLine::Kind;
    if (!ParseScript(in, {Kind::Report, Kind::Idle, Kind::Midi, Kind::Write, Kind::Resend}, lines,
                     error))
        return false;
    for (const ScriptLine& line : lines) {
        if (line.kind != Kind::Report || line.bytes.size() == ReportLengthOf(modelType)) continue;
        error = ScriptLineError(line.number, "report of " + std::to_string(line.bytes.size()) +
                                                 " bytes, the model's reports have " +
                                                 std::to_string(ReportLengthOf(modelType)));
        return false;
    }
    return true;
}

void RunTranslateScript(const std::vector<ScriptLine>& lines, uint8_t modelType,
                        const std::string& serial, Mapping* mapping, std::ostream& out) {
    ManualClock clock;
    PrintingSink sink(out);
    MidiState state;
    InitialiseSharedMidiState(state);
    ActionEngine engine(sink, state);
    auto device = std::make_unique<MemoryHidDevice>(serial);
    MemoryHidDevice& memory = *device;
    memory.SetWriteListener([&out](std::span<const uint8_t> report) {
        out << "out";
        PrintBytes(out, report.data(), report.size());
        out << '\n';
    });
    auto handler = CreateControllerHandler(modelType, engine, clock, std::move(device));
    if (!handler) return;
    handler->Attach("simulated");
    if (mapping != nullptr)
        handler->SetPresets(
            PresetSlotsOf(ApplyMappingToDevice(*mapping, modelType, handler->SerialString())));
    handler->StartReader();
    handler->StartWriter();
    for (const ScriptLine& line : lines) {
        clock.set(line.time);
        switch (line.kind) {
            case ScriptLine::Kind::Report:
                memory.QueueReport(line.bytes);
                handler->ReportStep();
                memory.ClearInput();  // a handler without presets reads nothing
                break;
            case ScriptLine::Kind::Idle:
                handler->IdleStep();
                break;
            case ScriptLine::Kind::Midi: {
                if (!handler->AcceptsMidi()) break;
                MidiBytes bytes{};
                std::copy(line.bytes.begin(), line.bytes.end(), bytes.begin());
                handler->BeginMidiBatch();
                handler->MidiMessage(static_cast<uint8_t>(line.bytes.size()), bytes);
                handler->EndMidiBatch();
                break;
            }
            case ScriptLine::Kind::Write:
                handler->WriterStep();
                break;
            case ScriptLine::Kind::Resend:
                if (mapping != nullptr) engine.ResendControllerState(*mapping, line.time);
                break;
            default:  // session commands never reach the dry run
                break;
        }
    }
    handler->StopReader();
    handler->StopWriter();
}

}  // namespace qmt
