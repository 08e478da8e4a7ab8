// qmt_fuzz_seeds REPOSITORY OUT [TARGET...]: writes the seed corpus of every fuzz target (or
// of the ones named) into OUT/<target>/, made from the factory presets and mapping, the
// files under examples/ and the recorded sessions under examples/sessions/, each in the
// input shape its target reads.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "asio/AsioBufferSizeSetting.h"
#include "asio/AsioDeviceRegistry.h"
#include "asio/AsioDeviceSettingsStore.h"
#include "asio/AsioDriverRegistration.h"
#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "common/WavFile.h"
#include "driver/qmtmidi/BuiltInSession.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzedMapping.h"
#include "fuzz/HiveRegistry.h"
#include "model/PresetFile.h"
#include "platform/ControlChannel.h"
#include "platform/RegFileFormat.h"
#include "platform/Registry.h"
#include "platform/RegistryHive.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimDeviceTree.h"
#include "presets/FactoryPresets.h"
#include "script/TranslateScript.h"

namespace {

using namespace qmt;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Seeds = std::vector<Bytes>;

// The models in the order fuzz::ModelFromByte counts them, with their session names.
const char* const kSessions[] = {"kv10", "kv5", "ardo", "ardo-raw-proto-2009", "ardo-raw"};

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes FactoryPresetBytes(PresetKind kind) {
    for (const FactoryPreset& p : FactoryPresets())
        if (p.preset.kind == kind) return WritePreset(p.preset);
    return {};
}

std::vector<ScriptLine> SessionLines(const fs::path& repository, int model) {
    std::ifstream in(repository / "examples/sessions" / (std::string(kSessions[model]) + ".txt"));
    std::vector<ScriptLine> lines;
    std::string error;
    ParseTranslateScript(in, fuzz::ModelFromByte(static_cast<uint8_t>(model)), lines, error);
    return lines;
}

Seeds PresetSeeds(const fs::path& repository) {
    Seeds seeds;
    for (const FactoryPreset& p : FactoryPresets()) {
        seeds.push_back(WritePreset(p.preset));
        // The configuration program's "Key" messages refer to the application list.
        const ApplicationEntry app{"Traktor", "/opt/traktor/traktor"};
        seeds.push_back(WritePreset(p.preset, {&app, 1}));
    }
    for (const auto& file : fs::directory_iterator(repository / "examples")) {
        const std::string extension = file.path().extension().string();
        if (extension == ".kvp" || extension == ".kap" || extension == ".krp" ||
            extension == ".kqp")
            seeds.push_back(ReadFile(file.path()));
    }
    return seeds;
}

Seeds MappingSeeds(const fs::path& repository) {
    const Mapping mapping = FactoryMapping();
    fuzz::SeedWriter seed;
    seed.block(ReadFile(repository / "examples" / kFactoryMappingName));
    // One preset per name, in the order the mapping names them (as the target reads them).
    std::set<std::string> written;
    for (const MappingEntry& entry : mapping.entries)
        for (int slot = 0; slot < kMappingSlots; ++slot)
            if (entry.slotUsed[slot] &&
                written.insert(entry.presetNames[slot] + PresetExtension(SlotPresetKind(slot)))
                    .second)
                seed.block(FactoryPresetBytes(SlotPresetKind(slot)));
    fuzz::SeedWriter bare;
    bare.block(WriteMapping(mapping));
    return {seed.bytes(), bare.bytes()};
}

Seeds RegistrySeeds(const fs::path&) {
    RegistryHive user;
    RegistryValue selected{kSelectedMappingValue, RegistryValueType::String,
                           "/home/dj/QMT/Mappings/TraktorPro 1.2 - Single Controller.kdm", 0};
    user.create(kQmtMidiKey).setValue(selected);
    RegistryValue buffer{"Buffer Size", RegistryValueType::Dword, "", 5};
    RegistryValue odd{"Name \"with\" \\ escapes", RegistryValueType::String, "line\nbreak\r", 0};
    user.create("Software\\QMT\\QMTASIO\\Devices\\KV5 0001").setValue(buffer);
    user.create("Software\\QMT\\QMTASIO").setValue(odd);
    RegistryHive machine;
    machine.create(kQmtMidiKey)
        .setValue({kPresetPathValue, RegistryValueType::String, "/usr/share/qmt/presets", 0});
    machine.create(kQmtMidiKey)
        .setValue({kMappingPathValue, RegistryValueType::String, "/usr/share/qmt/mappings", 0});
    Seeds seeds;
    fuzz::SeedWriter a, b;
    a.u8(0).raw(BytesOf(RegFileFormat::serialize(user, "HKEY_CURRENT_USER")));
    b.u8(1).raw(BytesOf(RegFileFormat::serialize(machine, "HKEY_LOCAL_MACHINE")));
    seeds.push_back(a.bytes());
    seeds.push_back(b.bytes());
    return seeds;
}

Seeds ScriptSeeds(const fs::path& repository) {
    Seeds seeds;
    for (const char* session : kSessions)
        seeds.push_back(
            ReadFile(repository / "examples/sessions" / (std::string(session) + ".txt")));
    seeds.push_back(BytesOf(BuiltInSession()));
    return seeds;
}

Seeds ControlSeeds(const fs::path&) {
    auto request = [](uint32_t code, uint32_t inputLength, uint32_t outputLength) {
        Bytes wire(12 + inputLength, 0);
        const uint32_t header[3] = {code, inputLength, outputLength};
        std::memcpy(wire.data(), header, sizeof header);
        return wire;
    };
    Seeds seeds;
    for (uint8_t scene = 0; scene < 4; ++scene) {
        fuzz::SeedWriter seed;
        seed.u8(scene);
        for (const Bytes& wire :
             {request(kIoctlReloadMapping, 0, 0), request(kIoctlPortsInUse, 0, 1),
              request(kIoctlPortsInUse, 0, 2), request(kIoctlReloadMapping, 4, 0),
              request(0xB4302D08, 0, 0), request(kIoctlPortsInUse, kMaxControlBytes + 1, 1)}) {
            seed.u8(static_cast<uint8_t>(wire.size() - 1)).raw(wire);
        }
        seeds.push_back(seed.bytes());
    }
    return seeds;
}

// The time code of a step (the report target advances by code² × 250 units).
uint8_t TimeCode(int64_t delta) {
    const double code = std::sqrt(static_cast<double>(delta > 0 ? delta : 0) / 250.0);
    return static_cast<uint8_t>(code > 62 ? 62 : code);
}

Seeds ReportSeeds(const fs::path& repository) {
    Seeds seeds;
    // Each session twice: with the factory presets in the input, for the fuzzer to change,
    // and with empty preset blocks (the target falls back to the factory presets), short.
    for (int seedNumber = 0; seedNumber < 10; ++seedNumber) {
        const int model = seedNumber % 5;
        const std::vector<int> slots =
            fuzz::SlotsOf(fuzz::ModelFromByte(static_cast<uint8_t>(model)));
        fuzz::SeedWriter seed;
        seed.u8(static_cast<uint8_t>(model));
        std::vector<Bytes> presets;
        for (int slot : slots)
            presets.push_back(seedNumber < 5 ? FactoryPresetBytes(SlotPresetKind(slot)) : Bytes{});
        fuzz::WriteMappingSeed(seed, 0x10, presets);
        int64_t last = 0;
        for (const ScriptLine& line : SessionLines(repository, model)) {
            const uint8_t time = TimeCode(line.time - last);
            last = line.time;
            if (line.kind == ScriptLine::Kind::Report)
                seed.u8(static_cast<uint8_t>(time << 2)).raw(line.bytes);
            if (line.kind == ScriptLine::Kind::Idle) seed.u8(static_cast<uint8_t>(time << 2 | 1));
            if (line.kind == ScriptLine::Kind::Resend) seed.u8(static_cast<uint8_t>(time << 2 | 2));
        }
        seeds.push_back(seed.bytes());
    }
    return seeds;
}

// Lights steps: an event, a raw stream, a batch, a writer step after `ticks` × 20 ms.
void Event(fuzz::SeedWriter& seed, const Bytes& bytes) {
    seed.u8(0).u8(static_cast<uint8_t>(bytes.size())).raw(bytes);
}
void Stream(fuzz::SeedWriter& seed, const Bytes& bytes) {
    seed.u8(1).u8(static_cast<uint8_t>(bytes.size())).raw(bytes);
}
void BatchAndWrite(fuzz::SeedWriter& seed, uint8_t ticks) {
    seed.u8(2).u8(static_cast<uint8_t>(ticks << 2 | 3));
}

Seeds LightsSeeds(const fs::path& repository) {
    Seeds seeds;
    for (int model = 2; model < 5; ++model) {
        // The recorded session's MIDI lines.
        fuzz::SeedWriter session;
        session.u8(static_cast<uint8_t>(model));
        fuzz::WriteMappingSeed(session, 0x10, {{}, {}});
        for (const ScriptLine& line : SessionLines(repository, model)) {
            if (line.kind == ScriptLine::Kind::Midi) Event(session, line.bytes);
            if (line.kind == ScriptLine::Kind::Write) BatchAndWrite(session, 1);
        }
        seeds.push_back(session.bytes());

        // Every note of both channels, blinking, with the attribute, then indicators.
        fuzz::SeedWriter all;
        all.u8(static_cast<uint8_t>(model));
        fuzz::WriteMappingSeed(all, 0x90, {{}, {}});
        for (uint8_t note = 0; note < 110; ++note)
            Event(all, {static_cast<uint8_t>(0x90 | (note & 1)), note,
                        static_cast<uint8_t>(note % 2 ? 0x4F : 0x3F)});
        Event(all, {0xB0, 64, 0x40});
        Event(all, {0xE1, 0x00, 0x50});
        BatchAndWrite(all, 8);
        BatchAndWrite(all, 130);
        seeds.push_back(all.bytes());

        // A stream with running status, a long system-exclusive message cut in pieces, and
        // a package of events.
        fuzz::SeedWriter stream;
        stream.u8(static_cast<uint8_t>(model));
        fuzz::WriteMappingSeed(stream, 0x00, {{}, {}});
        Stream(stream, {0x90, 60, 0x7F, 61, 0x7F, 62, 0x07, 63, 0x00, 0x80, 60, 0});
        Bytes sysex{0xF0, 0x7D};
        for (int i = 0; i < 200; ++i)
            sysex.push_back(static_cast<uint8_t>(i & 0x7F));
        sysex.push_back(0xF7);
        Stream(stream, sysex);
        stream.u8(0 | 8).u8(3).raw(Bytes{0x90, 70, 0x7F});
        stream.u8(0 | 8).u8(3).raw(Bytes{0x90, 71, 0x3F});
        Event(stream, sysex);
        BatchAndWrite(stream, 1);
        seeds.push_back(stream.bytes());
    }
    return seeds;
}

void PutLe(Bytes& out, uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A chunk with its pad byte.
void PutChunk(Bytes& out, const char* id, const Bytes& body) {
    out.insert(out.end(), id, id + 4);
    PutLe(out, static_cast<uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1) out.push_back(0);
}

Seeds WavSeeds(const fs::path&) {
    Seeds seeds;
    // What the writer makes: every width, one to three channels, an odd data size.
    for (uint16_t bits : {16, 24, 32}) {
        for (uint16_t channels : {1, 2, 3}) {
            WavData data{{48000, channels, bits}, {}};
            for (int i = 0; i < 5 * channels; ++i)
                data.samples.push_back(static_cast<int32_t>(
                    std::lround(std::sin(i * 0.7) * ((int64_t{1} << (bits - 1)) - 1))));
            seeds.push_back(wavFileBytes(data));
        }
    }
    // The extensible form with the PCM sub-format, an odd-sized chunk the reader skips, and a
    // data chunk claiming more than the file holds.
    Bytes format;
    PutLe(format, 0xFFFE, 2);  // extensible
    PutLe(format, 2, 2);
    PutLe(format, 44100, 4);
    PutLe(format, 44100 * 2 * 3, 4);
    PutLe(format, 2 * 3, 2);
    PutLe(format, 24, 2);
    PutLe(format, 22, 2);  // extension size
    PutLe(format, 24, 2);  // valid bits
    PutLe(format, 3, 4);   // channel mask
    PutLe(format, 1, 4);   // sub-format: PCM, then the rest of its identifier
    PutLe(format, 0x00100000, 4);
    PutLe(format, 0xAA000080, 4);
    PutLe(format, 0x719B3800, 4);
    Bytes body{'W', 'A', 'V', 'E'};
    PutChunk(body, "fmt ", format);
    PutChunk(body, "LIST", {'I', 'N', 'F', 'O', 'x'});
    body.insert(body.end(), {'d', 'a', 't', 'a'});
    PutLe(body, 1000, 4);
    for (int i = 0; i < 20; ++i)
        body.push_back(static_cast<uint8_t>(i * 37));
    Bytes file{'R', 'I', 'F', 'F'};
    PutLe(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    seeds.push_back(file);
    return seeds;
}

// Both brands' settings as their programs write them: the driver registered as the installer
// registers it, a buffer size, and one controller of every model of the brand (channels
// assigned as for a controller seen the first time) saved by the device registry's store.
Seeds AsioSettingsSeeds(const fs::path&) {
    const QmtAsioBrand qmt;
    const BrxAsioBrand brx;
    Seeds seeds;
    for (const AsioBrandIf* brand :
         {static_cast<const AsioBrandIf*>(&qmt), static_cast<const AsioBrandIf*>(&brx)}) {
        fuzz::HiveRegistry settings;
        AsioDriverEntry entry;
        entry.name = brand->getDriverName();
        entry.classIdText = FormatGuid(brand->getClassId());
        entry.classId = brand->getClassId();
        entry.description = brand->getProductName();
        entry.library = "/usr/lib/x86_64-linux-gnu/libqmtasio.so";
        registerAsioDriver(settings, entry);
        AsioBufferSizeSetting{1, 1}.save(settings, *brand);
        SimDeviceTree tree;
        SimAudioCards cards{tree};
        AsioDeviceRegistry registry(*brand, tree, cards, settings, brand->createDeviceModels(tree));
        std::vector<std::unique_ptr<DeviceModelIf>> models = brand->createDeviceModels(tree);
        std::vector<std::unique_ptr<DeviceInfo>> devices;
        std::vector<AsioDeviceInfo*> saved;
        for (auto& model : models) {
            char serial[16];
            std::snprintf(serial, sizeof serial, "SN%04zu", devices.size() + 1);
            devices.emplace_back(
                registry.createDeviceInfo("", nullptr, devices.size(), serial, model.get()));
            if (devices.back()) saved.push_back(static_cast<AsioDeviceInfo*>(devices.back().get()));
        }
        AsioDeviceSettingsStore(settings, brand->getRegistryKey()).save(saved);
        const Bytes user = BytesOf(RegFileFormat::serialize(settings.user, "HKEY_CURRENT_USER"));
        const Bytes machine =
            BytesOf(RegFileFormat::serialize(settings.machine, "HKEY_LOCAL_MACHINE"));
        fuzz::SeedWriter seed;
        seed.u8(brand == &qmt ? 0 : 1).block(user).raw(machine);
        seeds.push_back(seed.bytes());
    }
    return seeds;
}

// Command lines from both programs' usage texts, arguments separated by zero bytes.
Seeds OptionsSeeds(const fs::path&) {
    const std::vector<std::vector<std::string>> lines = {
        {"--simulate", "--driver", "QMTASIO", "--rate", "48000", "--seconds", "2.5", "--verbose"},
        {"--library", "/usr/lib/x86_64-linux-gnu/libqmtasio.so", "--clsid",
         "{DBF318C2-9324-4708-8EE9-574B885FC757}", "--play", "in.wav", "--outputs", "1,2,5-8",
         "--record", "out.wav", "--inputs", "1-2", "--buffer", "256", "--quiet"},
        {"--list"},
        {"--sim-render", "/tmp/cards", "--info", "--silence", "--rate", "44100"},
        {"-h"},
    };
    Seeds seeds;
    for (const auto& line : lines) {
        Bytes seed;
        for (const std::string& argument : line) {
            if (!seed.empty()) seed.push_back(0);
            seed.insert(seed.end(), argument.begin(), argument.end());
        }
        seeds.push_back(seed);
    }
    return seeds;
}

const std::map<std::string, std::function<Seeds(const fs::path&)>>& Targets() {
    static const std::map<std::string, std::function<Seeds(const fs::path&)>> targets{
        {"preset", PresetSeeds},  {"mapping", MappingSeeds}, {"registry", RegistrySeeds},
        {"script", ScriptSeeds},  {"control", ControlSeeds}, {"report", ReportSeeds},
        {"lights", LightsSeeds},  {"wav", WavSeeds},         {"asiosettings", AsioSettingsSeeds},
        {"options", OptionsSeeds}};
    return targets;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: qmt_fuzz_seeds REPOSITORY OUT [TARGET...]\n");
        return 2;
    }
    const fs::path repository = argv[1];
    const fs::path out = argv[2];
    std::vector<std::string> wanted(argv + 3, argv + argc);
    for (const std::string& name : wanted) {
        if (Targets().count(name) == 0) {
            std::fprintf(stderr, "qmt_fuzz_seeds: unknown target '%s'\n", name.c_str());
            return 2;
        }
    }
    for (const auto& [name, make] : Targets()) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), name) == wanted.end())
            continue;
        const Seeds seeds = make(repository);
        fs::create_directories(out / name);
        for (size_t i = 0; i < seeds.size(); ++i) {
            char file[32];
            std::snprintf(file, sizeof file, "seed-%03zu", i);
            std::ofstream(out / name / file, std::ios::binary)
                .write(reinterpret_cast<const char*>(seeds[i].data()),
                       static_cast<std::streamsize>(seeds[i].size()));
        }
        if (seeds.empty()) {
            std::fprintf(stderr, "qmt_fuzz_seeds: no seeds for '%s' (is %s the repository?)\n",
                         name.c_str(), repository.c_str());
            return 1;
        }
    }
    return 0;
}
