#include "engine/TranslateScript.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <sstream>

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

bool ParseTime(const std::string& word, int64_t& time) {
    if (word.empty()) return false;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), time);
    return ec == std::errc() && end == word.data() + word.size() && time >= 0;
}

bool ParseHexByte(const std::string& word, uint8_t& byte) {
    if (word.size() != 2 || !std::isxdigit(static_cast<unsigned char>(word[0])) ||
        !std::isxdigit(static_cast<unsigned char>(word[1])))
        return false;
    byte = static_cast<uint8_t>(std::stoi(word, nullptr, 16));
    return true;
}

std::string LineError(size_t number, const std::string& what) {
    return "line " + std::to_string(number) + ": " + what;
}

// Parses one non-empty line (comment already removed).
bool ParseLine(const std::string& text, size_t number, uint8_t modelType, ScriptLine& line,
               std::string& error) {
    std::istringstream words(text);
    std::string verb, time;
    words >> verb >> time;
    line.number = number;
    static const std::pair<const char*, ScriptLine::Kind> kVerbs[] = {
        {"report", ScriptLine::Kind::Report},
        {"idle", ScriptLine::Kind::Idle},
        {"midi", ScriptLine::Kind::Midi},
        {"write", ScriptLine::Kind::Write},
        {"resend", ScriptLine::Kind::Resend}};
    bool known = false;
    for (const auto& [name, kind] : kVerbs)
        if (verb == name) known = true, line.kind = kind;
    if (!known) return error = LineError(number, "unknown command '" + verb + "'"), false;
    if (!ParseTime(time, line.time))
        return error = LineError(number, "bad or missing time '" + time + "'"), false;
    for (std::string word; words >> word;) {
        uint8_t byte = 0;
        if (!ParseHexByte(word, byte))
            return error = LineError(number, "bad hex byte '" + word + "'"), false;
        line.bytes.push_back(byte);
    }
    const bool takesBytes =
        line.kind == ScriptLine::Kind::Report || line.kind == ScriptLine::Kind::Midi;
    if (!takesBytes && !line.bytes.empty())
        return error = LineError(number, "'" + verb + "' takes no bytes"), false;
    if (line.kind == ScriptLine::Kind::Report && line.bytes.size() != ReportLengthOf(modelType))
        return error = LineError(number, "report of " + std::to_string(line.bytes.size()) +
                                             " bytes, the model's reports have " +
                                             std::to_string(ReportLengthOf(modelType))),
               false;
    if (line.kind == ScriptLine::Kind::Midi && (line.bytes.empty() || line.bytes.size() > 3))
        return error = LineError(number, "a MIDI message has 1 to 3 bytes"), false;
    return true;
}

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
    lines.clear();
    size_t number = 0;
    for (std::string text; std::getline(in, text);) {
        ++number;
        if (const size_t hash = text.find('#'); hash != std::string::npos) text.resize(hash);
        if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
        ScriptLine line;
        if (!ParseLine(text, number, modelType, line, error)) return false;
        lines.push_back(std::move(line));
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
        }
    }
    handler->StopReader();
    handler->StopWriter();
}

}  // namespace qmt
