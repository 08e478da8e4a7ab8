// Reading and writing the ".kdm" mapping format ("KDM0", "KDM1", "KDM2").

#include <cstring>

#include "model/ByteReader.h"
#include "model/Mapping.h"

namespace qmt {

namespace {

// The smallest entry a file can hold: an empty name (4 bytes) in version 0 plus one slot
// record with an empty preset name and a channel. Used to bound the entry count by the
// bytes that are really there before anything is allocated.
constexpr size_t kSmallestEntry = 4 + 4 + 1;

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

int versionOfMagic(const uint8_t* magic) {
    if (std::memcmp(magic, "KDM0", 4) == 0) return 0;
    if (std::memcmp(magic, "KDM1", 4) == 0) return 1;
    if (std::memcmp(magic, "KDM2", 4) == 0) return 2;
    return -1;
}

MappingPtr failNull(std::string* error, const std::string& why) {
    fail(error, why);
    return nullptr;
}

bool validEntryType(uint32_t type) {
    return type <= 4 || type == 6;
}

bool readSlot(ByteReader& in, int version, MappingEntry& entry, std::string* error) {
    uint32_t slot = 0;
    if (version >= 1 && !in.u32(slot)) return fail(error, "file ends inside a slot record");
    if (slot >= kMappingSlots)
        return fail(error, "slot index " + std::to_string(slot) + " above 6");
    std::string presetName;
    uint8_t defaultChannel;
    if (!in.string(presetName) || !in.u8(defaultChannel))
        return fail(error, "file ends inside a slot record");
    uint8_t inputChannel = defaultChannel;
    if (version >= 2 && !in.u8(inputChannel)) return fail(error, "file ends inside a slot record");
    // A channel outside the MIDI range would turn into a different status byte.
    if (defaultChannel > 15)
        return fail(error, "default channel " + std::to_string(defaultChannel) + " out of range");
    if (inputChannel > 15 && inputChannel != kChannelOmni)
        return fail(error, "input channel " + std::to_string(inputChannel) + " out of range");
    // A slot written twice keeps the last record.
    entry.slotUsed[slot] = !presetName.empty();
    entry.presetNames[slot] = std::move(presetName);
    entry.defaultChannels[slot] = defaultChannel;
    entry.inputChannels[slot] = inputChannel;
    return true;
}

bool readEntry(ByteReader& in, int version, MappingEntry& entry, std::string* error) {
    if (!in.string(entry.name)) return fail(error, "file ends inside an entry name");
    uint32_t slotCount = 1;
    if (version >= 1) {
        if (!in.u32(entry.type) || !in.u32(slotCount))
            return fail(error, "file ends inside an entry");
        if (!validEntryType(entry.type))
            return fail(error, "entry type " + std::to_string(entry.type) + " is not served");
    }
    for (uint32_t i = 0; i < slotCount; ++i)
        if (!readSlot(in, version, entry, error)) return false;
    return true;
}

}  // namespace

PresetKind SlotPresetKind(int slot) {
    switch (SlotGroup(slot)) {
        case 1:
            return PresetKind::Kap;
        case 2:
            return PresetKind::Krp;
        case 3:
            return PresetKind::Kqp;
        default:
            return PresetKind::Kvp;
    }
}

int SlotGroup(int slot) {
    return slot <= 0 ? 0 : (slot + 1) / 2;
}

MappingPtr ParseMapping(std::span<const uint8_t> bytes, std::string* error) {
    ByteReader in(bytes);
    uint8_t magic[4];
    if (!in.bytes(magic, 4)) return failNull(error, "file too short");
    const int version = versionOfMagic(magic);
    if (version < 0) return failNull(error, "not a mapping file (unknown magic)");
    uint32_t count;
    if (!in.u32(count)) return failNull(error, "file too short");
    if (count == 0) return failNull(error, "mapping has no entries");
    if (count > in.remaining() / kSmallestEntry)
        return failNull(error, "entry count larger than the file");

    auto mapping = std::make_unique<Mapping>();
    mapping->entries.resize(count);
    for (auto& entry : mapping->entries)
        if (!readEntry(in, version, entry, error)) return nullptr;
    if (!in.checksumAtEnd()) return failNull(error, "checksum mismatch");
    return mapping;
}

std::vector<uint8_t> WriteMapping(const Mapping& mapping) {
    ByteWriter out;
    out.raw(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("KDM2"), 4));
    out.u32(static_cast<uint32_t>(mapping.entries.size()));
    for (const auto& entry : mapping.entries) {
        out.string(entry.name);
        out.u32(entry.type);
        uint32_t used = 0;
        for (bool u : entry.slotUsed)
            used += u ? 1 : 0;
        out.u32(used);
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            if (!entry.slotUsed[slot]) continue;
            out.u32(static_cast<uint32_t>(slot));
            out.string(entry.presetNames[slot]);
            out.u8(entry.defaultChannels[slot]);
            out.u8(entry.inputChannels[slot]);
        }
    }
    return out.finish();
}

}  // namespace qmt
