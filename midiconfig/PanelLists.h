#pragma once
// The fixed contents of the assignment panel's lists: every entry's text and the number it
// stands for, in the order the lists show them.

#include <cstdint>
#include <string>
#include <vector>

#include "model/Preset.h"

namespace qmt {

struct ListItem {
    std::string text;
    int data = 0;  // the number the entry stands for (control, kind, value, milliseconds)
};
using ListItems = std::vector<ListItem>;

// The model whose control lists a kind's presets are edited with: KV10 for KVP, ARDO for KAP,
// ARDO RAW PROTO 2009 for KRP, ARDO RAW for KQP.
uint8_t ModelOfKind(PresetKind kind);

// "None" (88) first, then the kind's model buttons in case-insensitive alphabetical order:
// KV10's 23 buttons for KVP, ARDO's 32 for KAP, ARDO RAW PROTO 2009's 25 for KRP and
// ARDO RAW's 33 for KQP.
ListItems ModifierItems(PresetKind kind);
// "Auto repeat", "Toggle", "Trigger" for a button; the single event type otherwise.
ListItems FunctionItems(uint8_t control);
// "0 ms" ... "200 ms" and "50 ms" ... "1000 ms".
ListItems ReleaseTimeoutItems();
ListItems IntervalItems();
// Every message kind but "Key", in kind order.
ListItems MessageKindItems();
// "Default", "Omni", "1" ... "16"; the data is the channel byte (253, 254, 0 ... 15).
ListItems ChannelItems();
// "0 - C0" ... "127 - G10".
ListItems NoteItems();
// "0 (off)", "1" ... "127".
ListItems VelocityItems();
// "first" ... "last" in steps of one.
ListItems NumberItems(int first, int last);
ListItems ChannelModeItems();
// "0", "128", ... "16256", "16383": 129 entries.
ListItems FourteenBitItems();
// "-16385", "-16257", ... "16383": 257 entries.
ListItems SignedFourteenBitItems();
// The six relative encodings in alphabetical order; the data is the encoding number.
ListItems EncodingItems();
// "100 %" ... "500 %".
ListItems PercentItems();

// The index of the entry whose data is `data`, or -1.
int IndexOfData(const ListItems& items, int data);

// The channel list's index for a channel byte and back (0 Default, 1 Omni, 2 to 17 for
// channels 1 to 16); -1 for a byte the list does not hold.
int ChannelIndex(uint8_t channel);
uint8_t ChannelFromIndex(int index);

}  // namespace qmt
