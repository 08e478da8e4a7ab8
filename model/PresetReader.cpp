// Reading preset files of every version into the newest in-memory shape.

#include <cstdio>
#include <string>

#include "model/ByteReader.h"
#include "model/PresetFile.h"
#include "model/PresetLayout.h"

namespace qmt {

namespace {

// modifier, function and two kind bytes: no assignment is shorter. Counts are checked
// against this before anything is built, so a hostile count fails at once.
constexpr size_t kMinAssignmentBytes = 4;
// Two string lengths.
constexpr size_t kMinApplicationBytes = 8;

// Adapts ByteReader to the field interface of TransferMessageFields.
class FieldReader {
  public:
    explicit FieldReader(ByteReader& in) : in_(in) {}
    bool u8(uint8_t& v) { return in_.u8(v); }
    bool u16(uint16_t& v) { return in_.u16(v); }
    bool i16(int16_t& v) { return in_.i16(v); }
    bool u32(uint32_t& v) { return in_.u32(v); }
    bool wide8(uint16_t& v) {
        uint8_t b;
        if (!in_.u8(b)) return false;
        v = b;
        return true;
    }
    bool step8(int16_t& v) {
        int8_t s;
        if (!in_.i8(s)) return false;
        v = s;  // sign-extended
        return true;
    }
    bool extended(std::vector<uint8_t>& bytes) {
        uint8_t length;
        if (!in_.u8(length) || length > in_.remaining()) return false;
        bytes.resize(length);
        return in_.bytes(bytes.data(), length);
    }

  private:
    ByteReader& in_;
};

std::string ControlLabel(uint8_t control) {
    return "control " + std::to_string(control) + " \"" + ControlNameOf(control) + "\"";
}

std::string MagicText(std::span<const uint8_t> magic) {
    std::string text;
    for (uint8_t b : magic) {
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
            text += static_cast<char>(b);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
            text += escaped;
        }
    }
    return text;
}

class PresetParser {
  public:
    PresetParser(std::span<const uint8_t> bytes, std::string* error)
        : in_(bytes), fields_(in_), error_(error) {}

    PresetPtr parse(std::vector<ApplicationEntry>* applications);

  private:
    // Records why the read failed, prefixed with where it was (built only on failure).
    bool fail(const std::string& why);
    bool truncated() { return fail("the file ends early"); }
    bool readMagic(Preset& preset);
    bool readApplications(std::vector<ApplicationEntry>* applications);
    bool readList(AssignmentList& list);
    bool readAssignment(Assignment& a);
    bool readMessage(Assignment& a, Message& m);
    bool readChecksum();

    ByteReader in_;
    FieldReader fields_;
    std::string* error_;
    const PresetFormat* format_ = nullptr;
    // Position of the read, for the error text.
    int control_ = -1;
    int64_t assignment_ = -1;
    int message_ = -1;
};

bool PresetParser::fail(const std::string& why) {
    if (!error_) return false;
    std::string where;
    if (control_ >= 0) where = ControlLabel(static_cast<uint8_t>(control_));
    if (assignment_ >= 0) where += ", assignment " + std::to_string(assignment_);
    if (message_ >= 0) where += message_ == 0 ? ", first message" : ", second message";
    *error_ = where.empty() ? why : where + ": " + why;
    return false;
}

PresetPtr PresetParser::parse(std::vector<ApplicationEntry>* applications) {
    auto preset = std::make_unique<Preset>();
    if (!readMagic(*preset) || !readApplications(applications)) return nullptr;
    for (int control = 0; control <= format_->highestControl; ++control) {
        control_ = control;
        if (!readList(preset->lists[control])) return nullptr;
    }
    control_ = -1;
    if (!readChecksum()) return nullptr;
    return preset;
}

bool PresetParser::readMagic(Preset& preset) {
    uint8_t magic[4];
    if (!in_.bytes(magic, 4)) return fail("too short for a preset file");
    format_ = PresetFormatForMagic(magic);
    if (!format_) return fail("not a preset file (magic \"" + MagicText(magic) + "\")");
    preset.kind = format_->kind;
    preset.version = format_->version;
    return true;
}

bool PresetParser::readApplications(std::vector<ApplicationEntry>* applications) {
    uint32_t count;
    if (!in_.u32(count)) return fail("the file ends inside the application list");
    if (count > in_.remaining() / kMinApplicationBytes)
        return fail("application count " + std::to_string(count) + " exceeds the file");
    for (uint32_t i = 0; i < count; ++i) {
        ApplicationEntry entry;
        if (!in_.string(entry.displayName) || !in_.string(entry.executablePath))
            return fail("application " + std::to_string(i) + ": a string runs past the end");
        if (applications) applications->push_back(std::move(entry));
    }
    return true;
}

bool PresetParser::readList(AssignmentList& list) {
    uint32_t count;
    if (!in_.u32(count)) return truncated();
    if (count > in_.remaining() / kMinAssignmentBytes)
        return fail("assignment count " + std::to_string(count) + " exceeds the file");
    for (uint32_t i = 0; i < count; ++i) {
        assignment_ = i;
        if (!readAssignment(list.emplace_back())) return false;
    }
    assignment_ = -1;
    return true;
}

bool PresetParser::readAssignment(Assignment& a) {
    if (!in_.u8(a.modifier) || !in_.u8(a.function)) return truncated();
    // Identifiers the version does not know cannot be modifiers: read as "none".
    if (a.modifier > format_->highestControl) a.modifier = kNoControl;
    if (a.function == kAutoRepeat) {
        uint32_t interval;
        if (!in_.u32(interval)) return truncated();
        a.interval = int64_t{interval} * kTicksPerMillisecond;
    }
    if (format_->version >= kFirstVersionWithReleaseTimeout) {
        uint16_t timeout;
        if (!in_.u16(timeout)) return truncated();
        a.releaseTimeout = int64_t{timeout} * kTicksPerMillisecond;
    }
    for (message_ = 0; message_ < 2; ++message_) {
        if (!readMessage(a, a.messages[message_])) return false;
    }
    message_ = -1;
    return true;
}

bool PresetParser::readMessage(Assignment& a, Message& m) {
    if (!in_.u8(m.kind)) return truncated();
    // The layout of an unknown kind is unknown: reading on would misread everything after.
    if (!KnownMessageKind(m.kind)) return fail("unknown message kind " + std::to_string(m.kind));
    if (!TransferMessageFields(fields_, m, a.function, format_->version)) return truncated();
    if (!HasThreshold(m, a.function)) return true;
    if (!in_.i32(m.threshold)) return truncated();
    if (format_->version >= kFirstVersionWithFlags) {
        uint8_t flags;
        if (!in_.u8(flags)) return truncated();
        if (flags & 1) a.inverted = true;  // other bits have no meaning
    }
    return true;
}

bool PresetParser::readChecksum() {
    const uint8_t computed = in_.sum();
    uint8_t stored;
    if (!in_.u8(stored)) return fail("the file ends before the checksum");
    if (stored != computed) {
        char text[80];
        std::snprintf(text, sizeof text, "checksum mismatch (stored 0x%02X, computed 0x%02X)",
                      stored, computed);
        return fail(text);
    }
    return true;
}

}  // namespace

PresetPtr ParsePreset(std::span<const uint8_t> bytes, std::string* error,
                      std::vector<ApplicationEntry>* applications) {
    std::vector<ApplicationEntry> read;
    PresetParser parser(bytes, error);
    PresetPtr preset = parser.parse(applications ? &read : nullptr);
    // The caller's list is only touched when the whole file was good.
    if (preset && applications) *applications = std::move(read);
    return preset;
}

PresetPtr LoadPreset(const std::string& path, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error)) return nullptr;
    std::string why;
    PresetPtr preset = ParsePreset(bytes, &why);
    if (!preset && error) *error = "\"" + path + "\": " + why;
    return preset;
}

}  // namespace qmt
