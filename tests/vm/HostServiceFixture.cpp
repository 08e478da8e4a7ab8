#include "HostServiceFixture.h"

#include <cstdio>
#include <sstream>

#include "GuestEnvironment.h"
#include "model/FilePaths.h"
#include "model/PresetFile.h"
#include "platform/ControlChannel.h"
#include "presets/FactoryPresets.h"
#include "script/TranslateScript.h"

namespace qmt::vm {

namespace {

// The factory preset name of a mapping slot's kind (slot 0 KV, 1-2 ARDO, 3-4 ARDO RAW
// PROTO 2009, 5-6 ARDO RAW).
std::string PresetNameForSlot(int slot) {
    const PresetKind kind = SlotPresetKind(slot);
    for (const FactoryPreset& preset : FactoryPresets())
        if (preset.preset.kind == kind) return preset.name;
    return {};
}

std::string Script(const std::vector<Bytes>& reports, const std::string& tail = {}) {
    std::ostringstream out;
    int64_t time = 0;
    for (const Bytes& report : reports) {
        out << "report " << time << " " << Hex(report) << "\n";
        time += 10000;
    }
    out << tail;
    return out.str();
}

// The lines of the dry run that start with `kind` ("midi" or "out"), as bytes.
std::vector<Bytes> DryRun(const std::string& mappingFile, const std::string& presets,
                          uint8_t modelType, const std::string& serial, const std::string& script,
                          const std::string& kind) {
    std::vector<ScriptLine> lines;
    std::string error;
    std::istringstream in(script);
    EXPECT_TRUE(ParseTranslateScript(in, modelType, lines, error)) << error;
    MappingPtr mapping = LoadMappingWithPresetPath(mappingFile, presets, &error);
    EXPECT_TRUE(mapping) << error;
    std::ostringstream out;
    RunTranslateScript(lines, modelType, serial, mapping.get(), out);
    std::vector<Bytes> result;
    std::istringstream printed(out.str());
    std::string line;
    while (std::getline(printed, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word != kind) continue;
        if (kind == "midi") words >> word;  // the time stamp
        Bytes bytes;
        unsigned value = 0;
        while (words >> std::hex >> value)
            bytes.push_back(static_cast<uint8_t>(value));
        result.push_back(bytes);
    }
    return result;
}

}  // namespace

std::string Hex(const Bytes& bytes) {
    std::string text;
    char hex[4];
    for (uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += (text.empty() ? "" : " ") + std::string(hex);
    }
    return text;
}

Bytes Kv10Report(uint32_t buttons) {
    return {0x00,
            0x00,
            0x00,
            0x00,
            0x00,
            0x00,
            0x80,
            static_cast<uint8_t>(buttons),
            static_cast<uint8_t>(buttons >> 8),
            static_cast<uint8_t>(buttons >> 16),
            static_cast<uint8_t>(buttons >> 24)};
}

void HostServiceTest::SetUp() {
    QMT_REQUIRE_KERNEL_FEATURES();
    if (QmtMidiService::Binary().empty()) GTEST_SKIP() << "no qmtmidi binary to test";
    presets_ = work_.makeFolder("presets");
    std::string error;
    ASSERT_TRUE(WriteFactorySet(presets_, &error)) << error;
    ASSERT_TRUE(service_.setMachineValues(presets_, presets_));
    app_ = SequencerClient::Open("qmt vm application", error);
    ASSERT_TRUE(app_) << error;
}

void HostServiceTest::TearDown() {
    if (!service_.running()) return;
    const auto status = service_.stop();
    EXPECT_EQ(status, 0) << "qmtmidi must stop cleanly on SIGTERM";
}

std::string HostServiceTest::writeMapping(const std::string& name,
                                          const std::vector<MappingEntryPlan>& entries) {
    Mapping mapping;
    for (const MappingEntryPlan& wanted : entries) {
        MappingEntry entry;
        entry.name = wanted.serial;
        entry.type = wanted.modelType;
        entry.slotUsed[wanted.slot] = true;
        entry.presetNames[wanted.slot] = PresetNameForSlot(wanted.slot);
        entry.defaultChannels[wanted.slot] = wanted.channel;
        entry.inputChannels[wanted.slot] = wanted.channel;
        mapping.entries.push_back(std::move(entry));
    }
    const std::string path = JoinPath(presets_, name + ".kdm");
    std::string error;
    EXPECT_TRUE(SaveFileAtomically(path, WriteMapping(mapping), &error)) << error;
    return path;
}

void HostServiceTest::startService(const std::string& mapping) {
    ASSERT_TRUE(service_.setSelectedMapping(mapping));
    std::string error;
    ASSERT_TRUE(service_.start({"--verbose"}, error)) << error;
    ASSERT_TRUE(app_->waitForPort("QMT MIDI In", kPatience)) << "qmtmidi made no ports";
    // The ports are made one after the other; an application may look in between.
    ASSERT_TRUE(app_->waitForPort("QMT MIDI Out", kPatience)) << "qmtmidi made no output port";
}

void HostServiceTest::subscribeAndSettle() {
    ASSERT_TRUE(app_->subscribeFrom("QMT MIDI In")) << app_->error();
    // The state refresh runs on the device worker before any arrival it handles later, so
    // once its first message is here every controller plugged from now on comes after it.
    const auto first = app_->receive(kPatience);
    ASSERT_TRUE(first) << "no state refresh after subscribing";
}

std::unique_ptr<VirtualController> HostServiceTest::plug(const ControllerModel& model,
                                                         const std::string& serial) {
    std::string error;
    auto controller = VirtualController::Plug(model, serial, error);
    EXPECT_TRUE(controller) << error;
    if (controller) {
        EXPECT_TRUE(controller->waitUntilOpen(true, kPatience))
            << "qmtmidi never opened the " << model.name << " \"" << serial << "\"";
    }
    return controller;
}

void HostServiceTest::send(VirtualController& controller, const std::vector<Bytes>& reports) {
    for (const Bytes& report : reports)
        ASSERT_TRUE(controller.sendInputReport(report)) << Hex(report);
}

void HostServiceTest::expectMidiEnding(const std::vector<Bytes>& expected) {
    auto endsWithExpected = [&] {
        return received_.size() >= expected.size() &&
               std::equal(expected.begin(), expected.end(), received_.end() - expected.size());
    };
    while (!endsWithExpected()) {
        const auto message = app_->receive(kPatience);
        if (!message) break;
        received_.push_back(message->bytes);
    }
    std::string seen;
    for (const Bytes& bytes : received_)
        seen += "\n  " + Hex(bytes);
    EXPECT_TRUE(endsWithExpected()) << "received:" << seen;
}

bool HostServiceTest::waitForMidi(const Bytes& wanted) {
    for (;;) {
        const auto message = app_->receive(kPatience);
        if (!message) return false;
        received_.push_back(message->bytes);
        if (message->bytes == wanted) return true;
    }
}

std::vector<Bytes> HostServiceTest::dryRunMidi(const std::string& mapping, uint8_t modelType,
                                               const std::string& serial,
                                               const std::vector<Bytes>& reports) {
    return DryRun(mapping, presets_, modelType, serial, Script(reports), "midi");
}

std::vector<Bytes> HostServiceTest::dryRunOutput(const std::string& mapping, uint8_t modelType,
                                                 const std::string& serial,
                                                 const Bytes& firstReport, const Bytes& midi) {
    // Writer steps until every due report is out, as the writer thread does.
    const std::string tail =
        "midi 20000 " + Hex(midi) + "\nwrite 20000\nwrite 20000\nwrite 20000\nwrite 20000\n";
    return DryRun(mapping, presets_, modelType, serial, Script({firstReport}, tail), "out");
}

bool HostServiceTest::reloadThroughControlSocket() {
    const auto answer = SendControlRequest(service_.controlSocketPath(),
                                           ControlRequest{kIoctlReloadMapping, {}, 0});
    return answer && answer->status == 0;
}

}  // namespace qmt::vm
