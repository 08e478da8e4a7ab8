// Writing presets in the newest format of their kind, as the configuration program does.

#include <algorithm>
#include <limits>

#include "model/ByteReader.h"
#include "model/PresetFile.h"
#include "model/PresetLayout.h"

namespace qmt {

namespace {

// Adapts ByteWriter to the field interface of TransferMessageFields. Values wider than
// their file field are clamped rather than wrapped, so an out-of-range value never turns
// into a different valid one.
class FieldWriter {
  public:
    explicit FieldWriter(ByteWriter& out) : out_(out) {}
    bool u8(const uint8_t& v) { return put8(v); }
    bool u16(const uint16_t& v) {
        out_.u16(v);
        return true;
    }
    bool i16(const int16_t& v) {
        out_.u16(static_cast<uint16_t>(v));
        return true;
    }
    bool u32(const uint32_t& v) {
        out_.u32(v);
        return true;
    }
    bool wide8(const uint16_t& v) { return put8(static_cast<uint8_t>(std::min<uint16_t>(v, 255))); }
    bool step8(const int16_t& v) {
        return put8(static_cast<uint8_t>(static_cast<int8_t>(std::clamp<int16_t>(v, -128, 127))));
    }
    bool extended(const std::vector<uint8_t>& bytes) {
        const size_t length = std::min<size_t>(bytes.size(), 255);
        out_.u8(static_cast<uint8_t>(length));
        out_.raw(std::span(bytes).first(length));
        return true;
    }

  private:
    bool put8(uint8_t v) {
        out_.u8(v);
        return true;
    }
    ByteWriter& out_;
};

// A message the file can hold. Kinds without a known layout are written as "None".
bool Writable(const Message& m) {
    return m.kind != kMsgNone && KnownMessageKind(m.kind);
}

bool Written(const Assignment& a) {
    return Writable(a.messages[0]) || Writable(a.messages[1]);
}

template <class T>
T MillisecondsOf(int64_t ticks) {
    const int64_t ms = ticks / kTicksPerMillisecond;
    return static_cast<T>(std::clamp<int64_t>(ms, 0, std::numeric_limits<T>::max()));
}

class PresetSerializer {
  public:
    explicit PresetSerializer(const PresetFormat& format) : format_(format), fields_(out_) {}

    std::vector<uint8_t> write(const Preset& preset, std::span<const ApplicationEntry> apps);

  private:
    void writeList(const AssignmentList& list);
    void writeAssignment(const Assignment& a);
    void writeMessage(const Assignment& a, const Message& m);

    const PresetFormat& format_;
    ByteWriter out_;
    FieldWriter fields_;
};

std::vector<uint8_t> PresetSerializer::write(const Preset& preset,
                                             std::span<const ApplicationEntry> apps) {
    for (int i = 0; i < 4; ++i)
        out_.u8(static_cast<uint8_t>(format_.magic[i]));
    out_.u32(static_cast<uint32_t>(apps.size()));
    for (const ApplicationEntry& app : apps) {
        out_.string(app.displayName);
        out_.string(app.executablePath);
    }
    for (int control = 0; control <= format_.highestControl; ++control)
        writeList(preset.lists[control]);
    return out_.finish();
}

void PresetSerializer::writeList(const AssignmentList& list) {
    out_.u32(static_cast<uint32_t>(std::count_if(list.begin(), list.end(), Written)));
    for (const Assignment& a : list) {
        if (Written(a)) writeAssignment(a);
    }
}

void PresetSerializer::writeAssignment(const Assignment& a) {
    // A modifier the format does not know would read back as "none"; write it that way.
    out_.u8(a.modifier > format_.highestControl ? kNoControl : a.modifier);
    out_.u8(a.function);
    if (a.function == kAutoRepeat) out_.u32(MillisecondsOf<uint32_t>(a.interval));
    if (format_.version >= kFirstVersionWithReleaseTimeout)
        out_.u16(MillisecondsOf<uint16_t>(a.releaseTimeout));
    writeMessage(a, a.messages[0]);
    writeMessage(a, a.messages[1]);
}

void PresetSerializer::writeMessage(const Assignment& a, const Message& m) {
    if (!Writable(m)) {
        out_.u8(kMsgNone);
        return;
    }
    out_.u8(m.kind);
    TransferMessageFields(fields_, m, a.function, format_.version);
    if (!HasThreshold(m, a.function)) return;
    out_.u32(static_cast<uint32_t>(m.threshold));
    if (format_.version >= kFirstVersionWithFlags) out_.u8(a.inverted ? 1 : 0);
}

}  // namespace

std::vector<uint8_t> WritePreset(const Preset& preset,
                                 std::span<const ApplicationEntry> applications) {
    return PresetSerializer(NewestPresetFormat(preset.kind)).write(preset, applications);
}

}  // namespace qmt
