#include "presets/FactoryPresets.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "model/Catalogue.h"
#include "model/FilePaths.h"
#include "model/PresetFile.h"

namespace qmt {

namespace {

// Controls of every model that uses a kind, in the first model's order, without repeats.
struct KindModels {
    PresetKind kind;
    const char* name;
    std::vector<uint8_t> models;
    uint8_t shift;  // the button whose held state selects the shift layer
};

const std::vector<KindModels>& kinds() {
    static const std::vector<KindModels> table = {
        {PresetKind::Kvp, "TraktorPro 1.2 - KV10 KV5", {kModelKv10, kModelKv5}, kControlMenu},
        {PresetKind::Kap, "TraktorPro 1.2 - ARDO", {kModelArdo}, kControlStop},
        {PresetKind::Krp,
         "TraktorPro 1.2 - ARDO RAW PROTO 2009",
         {kModelArdoRawProto2009},
         kControlStop},
        {PresetKind::Kqp, "TraktorPro 1.2 - ARDO RAW", {kModelArdoRaw}, kControlStop},
    };
    return table;
}

std::vector<uint8_t> unionOf(const std::vector<uint8_t>& models,
                             std::span<const uint8_t> ModelControls::*list) {
    std::vector<uint8_t> ids;
    for (uint8_t model : models)
        for (uint8_t id : ControlsOf(model)->*list)
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    return ids;
}

// The shift layer's channel: the same notes, on channel 16.
constexpr uint8_t kShiftChannel = 15;
// Threshold units: the file stores the panel's threshold × 4096.
constexpr int32_t kThresholdUnit = 4096;

// Button notes go to the LED notes first (group 2 from 60, then group 3 on ARDO) and then
// to notes the lights ignore, so an application that echoes a button's note lights the
// button and never a ring or an indicator.
// The KV models have no lights; their notes simply follow the control identifiers.
uint8_t buttonNote(PresetKind kind, size_t index, uint8_t id) {
    if (kind == PresetKind::Kvp) return static_cast<uint8_t>(60 + id);
    if (kind == PresetKind::Kap) return static_cast<uint8_t>(60 + index);
    if (index < 23) return static_cast<uint8_t>(60 + index);
    return static_cast<uint8_t>(92 + (index - 23));
}

Message note(uint8_t channel, uint8_t number, uint8_t velocity) {
    Message m;
    m.kind = kMsgNote;
    m.channel = channel;
    m.number = number;
    m.value = velocity;
    return m;
}

Assignment buttonAssignment(uint8_t channel, uint8_t number, uint8_t modifier) {
    Assignment a;
    a.modifier = modifier;
    a.function = kTrigger;
    a.messages = {note(channel, number, 127), note(channel, number, 0)};
    // A released shift still counts for a moment, so a fast shift+button press is not lost.
    if (modifier != kNoControl) a.releaseTimeout = 100 * 10'000;
    return a;
}

Assignment rotaryAssignment(uint8_t controller, int32_t threshold) {
    Assignment a;
    a.function = kRotate;
    Message m;
    m.kind = kMsgControlChange;
    m.channel = kChannelDefault;
    m.number = controller;
    // Offset-64 steps: the driver's controller values start at 64, so a control that rests
    // sends nothing, and one that stops sends 64 once.
    m.encoding = kEnc3F41;
    m.threshold = threshold;
    a.messages = {m, m};
    return a;
}

Assignment absoluteAssignment(uint8_t controller) {
    Assignment a;
    a.function = kSlide;
    Message m;
    m.kind = kMsgControlChange;
    m.channel = kChannelDefault;
    m.number = controller;
    m.threshold = 512 * kThresholdUnit;  // one 7-bit step of the 16-bit position
    a.messages = {m, m};
    return a;
}

Assignment padAssignment(uint8_t number) {
    Assignment a;
    a.function = kPress;
    a.messages = {note(kChannelDefault, number, 0), note(kChannelDefault, number, 0)};
    return a;
}

Preset buildPreset(const KindModels& k) {
    Preset preset;
    preset.kind = k.kind;
    const auto buttons = unionOf(k.models, &ModelControls::buttons);
    for (size_t i = 0; i < buttons.size(); ++i) {
        const uint8_t id = buttons[i];
        const uint8_t n = buttonNote(k.kind, i, id);
        preset.lists[id].push_back(buttonAssignment(kChannelDefault, n, kNoControl));
        if (id != k.shift)
            preset.lists[id].insert(preset.lists[id].begin(),
                                    buttonAssignment(kShiftChannel, n, k.shift));
    }
    const auto rotaries = unionOf(k.models, &ModelControls::rotaries);
    for (size_t i = 0; i < rotaries.size(); ++i) {
        // The big wheel turns fast on the ARDO models; one step per tick elsewhere.
        const bool bigWheel = rotaries[i] == kControlWheel && k.kind != PresetKind::Kvp;
        preset.lists[rotaries[i]].push_back(
            rotaryAssignment(static_cast<uint8_t>(48 + i), (bigWheel ? 4 : 1) * kThresholdUnit));
    }
    const auto absolutes = unionOf(k.models, &ModelControls::absolutes);
    for (size_t i = 0; i < absolutes.size(); ++i)
        preset.lists[absolutes[i]].push_back(absoluteAssignment(static_cast<uint8_t>(16 + i)));
    const auto pads = unionOf(k.models, &ModelControls::pads);
    for (size_t i = 0; i < pads.size(); ++i)
        preset.lists[pads[i]].push_back(padAssignment(static_cast<uint8_t>(88 + i)));
    return preset;
}

std::string channelText(uint8_t channel) {
    if (channel == kChannelDefault) return "deck";
    return std::to_string(channel + 1);
}

std::string describeMessage(const Assignment& a) {
    const Message& m = a.messages[0];
    std::ostringstream out;
    switch (m.kind) {
        case kMsgNote:
            out << "note " << int{m.number} << " ch " << channelText(m.channel);
            if (a.function == kPress) out << ", velocity from pressure";
            break;
        case kMsgControlChange:
            out << "CC " << int{m.number} << " ch " << channelText(m.channel)
                << (a.function == kRotate ? " relative (3Fh : 41h)" : " absolute");
            break;
        default:
            out << "kind " << int{m.kind};
    }
    if (a.modifier != kNoControl) out << " with \"" << ControlNameOf(a.modifier) << "\" held";
    return out.str();
}

}  // namespace

std::vector<FactoryPreset> FactoryPresets() {
    std::vector<FactoryPreset> presets;
    for (const auto& k : kinds())
        presets.push_back({k.name, buildPreset(k)});
    return presets;
}

Mapping FactoryMapping() {
    Mapping mapping;
    auto addEntry = [&](uint32_t type, std::initializer_list<int> slots, const char* preset) {
        MappingEntry entry;
        entry.type = type;
        uint8_t channel = 0;
        for (int slot : slots) {
            entry.slotUsed[slot] = true;
            entry.presetNames[slot] = preset;
            // First deck (orange) on channel 1, second deck (green) on channel 2.
            entry.defaultChannels[slot] = channel;
            entry.inputChannels[slot] = channel;
            ++channel;
        }
        mapping.entries.push_back(std::move(entry));
    };
    const auto& k = kinds();
    addEntry(kModelKv10, {0}, k[0].name);
    addEntry(kModelKv5, {0}, k[0].name);
    addEntry(kModelArdo, {1, 2}, k[1].name);
    addEntry(kModelArdoRawProto2009, {3, 4}, k[2].name);
    addEntry(kModelArdoRaw, {5, 6}, k[3].name);
    return mapping;
}

std::string DescribePresetMarkdown(const FactoryPreset& preset) {
    std::ostringstream out;
    out << "| control | sends |\n|---|---|\n";
    for (uint8_t id = 0; id < kControlCount; ++id) {
        const auto& list = preset.preset.lists[id];
        if (list.empty()) continue;
        out << "| " << int{id} << " \"" << ControlNameOf(id) << "\" | ";
        for (size_t i = 0; i < list.size(); ++i)
            out << (i ? "; " : "") << describeMessage(list[i]);
        out << " |\n";
    }
    return out.str();
}

bool WriteFactorySet(const std::string& folder, std::string* error, std::string* mappingPath) {
    for (const FactoryPreset& preset : FactoryPresets()) {
        const std::string path =
            JoinPath(folder, preset.name + PresetExtension(preset.preset.kind));
        if (!SaveFileAtomically(path, WritePreset(preset.preset), error)) return false;
    }
    const std::string mapping = JoinPath(folder, kFactoryMappingName);
    if (!SaveFileAtomically(mapping, WriteMapping(FactoryMapping()), error)) return false;
    if (mappingPath) *mappingPath = mapping;
    return true;
}

}  // namespace qmt
