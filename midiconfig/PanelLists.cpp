#include "midiconfig/PanelLists.h"

#include <algorithm>
#include <cstdio>

#include "common/AsciiCase.h"
#include "model/Catalogue.h"
#include "model/MessageNames.h"

namespace qmt {

namespace {

std::string Format(const char* format, int value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

ListItems Milliseconds(std::initializer_list<int> values) {
    ListItems items;
    for (int ms : values)
        items.push_back({Format("%i ms", ms), ms});
    return items;
}

}  // namespace

uint8_t ModelOfKind(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return kModelKv10;
        case PresetKind::Kap:
            return kModelArdo;
        case PresetKind::Krp:
            return kModelArdoRawProto2009;
        case PresetKind::Kqp:
            break;
    }
    return kModelArdoRaw;
}

ListItems ModifierItems(PresetKind kind) {
    ListItems buttons;
    for (uint8_t control : ControlsOf(ModelOfKind(kind))->buttons)
        buttons.push_back({ControlNameOf(control), control});
    std::stable_sort(buttons.begin(), buttons.end(), [](const ListItem& a, const ListItem& b) {
        return compareIgnoreCase(a.text, b.text) < 0;
    });
    buttons.insert(buttons.begin(), {"None", kNoControl});
    return buttons;
}

ListItems FunctionItems(uint8_t control) {
    switch (ControlKindOf(control)) {
        case ControlKind::Button:
            return {{EventTypeName(kAutoRepeat), kAutoRepeat},
                    {EventTypeName(kToggle), kToggle},
                    {EventTypeName(kTrigger), kTrigger}};
        case ControlKind::Rotary:
            return {{EventTypeName(kRotate), kRotate}};
        case ControlKind::Absolute:
            return {{EventTypeName(kSlide), kSlide}};
        case ControlKind::VelocityPad:
            break;
    }
    return {{EventTypeName(kPress), kPress}};
}

ListItems ReleaseTimeoutItems() {
    return Milliseconds({0, 10, 25, 50, 100, 150, 200});
}

ListItems IntervalItems() {
    return Milliseconds({50, 100, 250, 500, 1000});
}

ListItems MessageKindItems() {
    ListItems items;
    for (uint8_t kind = 0; kind < kMessageKindCount; ++kind)
        if (kind != kMsgKey) items.push_back({MessageKindName(kind), kind});
    return items;
}

ListItems ChannelItems() {
    ListItems items{{"Default", kChannelDefault}, {"Omni", kChannelOmni}};
    for (int channel = 0; channel < 16; ++channel)
        items.push_back({std::to_string(channel + 1), channel});
    return items;
}

ListItems NoteItems() {
    static constexpr const char* kNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                               "F#", "G",  "G#", "A",  "A#", "B"};
    ListItems items;
    for (int note = 0; note < 128; ++note) {
        char text[32];
        std::snprintf(text, sizeof text, "%u - %s%i", note, kNames[note % 12], note / 12);
        items.push_back({text, note});
    }
    return items;
}

ListItems VelocityItems() {
    ListItems items = NumberItems(0, 127);
    items[0].text = "0 (off)";
    return items;
}

ListItems NumberItems(int first, int last) {
    ListItems items;
    for (int n = first; n <= last; ++n)
        items.push_back({std::to_string(n), n});
    return items;
}

ListItems ChannelModeItems() {
    ListItems items;
    for (uint8_t command = 0; command < 3; ++command)
        items.push_back({ChannelModeCommandName(command), command});
    return items;
}

ListItems FourteenBitItems() {
    ListItems items;
    for (int value = 0; value <= 16256; value += 128)
        items.push_back({std::to_string(value), value});
    items.push_back({"16383", 16383});
    return items;
}

ListItems SignedFourteenBitItems() {
    ListItems items;
    for (int k = 0; k <= 256; ++k) {
        const int value = -16385 + 128 * k;
        items.push_back({std::to_string(value), value});
    }
    return items;
}

ListItems EncodingItems() {
    ListItems items;
    for (uint8_t encoding = 0; encoding < kEncodingCount; ++encoding)
        items.push_back({EncodingName(encoding), encoding});
    std::sort(items.begin(), items.end(),
              [](const ListItem& a, const ListItem& b) { return a.text < b.text; });
    return items;
}

ListItems PercentItems() {
    ListItems items;
    for (int percent = 100; percent <= 500; percent += 100)
        items.push_back({Format("%i %%", percent), percent});
    return items;
}

int IndexOfData(const ListItems& items, int data) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].data == data) return static_cast<int>(i);
    return -1;
}

int ChannelIndex(uint8_t channel) {
    if (channel == kChannelDefault) return 0;
    if (channel == kChannelOmni) return 1;
    return channel < 16 ? channel + 2 : -1;
}

uint8_t ChannelFromIndex(int index) {
    if (index == 0) return kChannelDefault;
    if (index == 1) return kChannelOmni;
    return static_cast<uint8_t>(index - 2);
}

}  // namespace qmt
