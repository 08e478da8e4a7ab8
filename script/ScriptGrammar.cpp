#include "script/ScriptGrammar.h"

#include <algorithm>
#include <istream>
#include <string_view>

namespace qmt {

namespace {

using Kind = ScriptLine::Kind;

struct Command {
    const char* name;
    Kind kind;
};
constexpr Command kCommands[] = {
    {"report", Kind::Report}, {"idle", Kind::Idle},     {"midi", Kind::Midi},
    {"write", Kind::Write},   {"resend", Kind::Resend}, {"reload", Kind::Reload},
    {"plug", Kind::Plug},     {"unplug", Kind::Unplug}, {"use", Kind::Use}};

// A time fits 18 decimal digits, far beyond any script, and never overflows.
bool ParseTime(const std::string& word, int64_t& time) {
    if (word.empty() || word.size() > 18) return false;
    time = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        time = time * 10 + (c - '0');
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHexByte(const std::string& word, uint8_t& byte) {
    if (word.size() != 2 || HexDigit(word[0]) < 0 || HexDigit(word[1]) < 0) return false;
    byte = static_cast<uint8_t>(HexDigit(word[0]) << 4 | HexDigit(word[1]));
    return true;
}

// Fills `line` from the words after the command; returns an error text or "".
std::string ParseWords(ScriptLine& line, const std::string& command,
                       const std::vector<std::string>& words) {
    if (line.kind == Kind::Plug) {
        if (words.size() != 2) return "plug needs MODEL SERIAL";
        line.model = words[0];
        line.serial = words[1];
        return "";
    }
    if (line.kind == Kind::Unplug || line.kind == Kind::Use) {
        if (words.size() != 1) return command + " needs one SERIAL";
        line.serial = words[0];
        return "";
    }
    if (words.empty() || !ParseTime(words[0], line.time))
        return "bad or missing time '" + (words.empty() ? std::string() : words[0]) + "'";
    for (size_t i = 1; i < words.size(); ++i) {
        uint8_t byte = 0;
        if (!ParseHexByte(words[i], byte)) return "bad hex byte '" + words[i] + "'";
        line.bytes.push_back(byte);
    }
    const bool takesBytes = line.kind == Kind::Report || line.kind == Kind::Midi;
    if (!takesBytes && !line.bytes.empty()) return "'" + command + "' takes no bytes";
    if (line.kind == Kind::Report && line.bytes.empty()) return "a report needs its bytes";
    if (line.kind == Kind::Midi && (line.bytes.empty() || line.bytes.size() > 3))
        return "a MIDI message has 1 to 3 bytes";
    return "";
}

// The words of a line, split where `stream >> word` would split (the C locale's white
// space), without building a stream per line: long sessions read several times faster.
std::vector<std::string> SplitWords(const std::string& text) {
    constexpr std::string_view kSpace = " \t\n\v\f\r";
    std::vector<std::string> words;
    for (size_t at = text.find_first_not_of(kSpace); at != std::string::npos;) {
        const size_t end = text.find_first_of(kSpace, at);
        words.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? end : text.find_first_not_of(kSpace, end);
    }
    return words;
}

}  // namespace

std::string ScriptLineError(size_t number, const std::string& what) {
    return "line " + std::to_string(number) + ": " + what;
}

bool ParseScript(std::istream& in, std::initializer_list<ScriptLine::Kind> allowed,
                 std::vector<ScriptLine>& lines, std::string& error) {
    lines.clear();
    size_t number = 0;
    for (std::string text; std::getline(in, text);) {
        ++number;
        if (const size_t hash = text.find('#'); hash != std::string::npos) text.resize(hash);
        std::vector<std::string> words = SplitWords(text);
        if (words.empty()) continue;
        const std::string command = std::move(words.front());
        words.erase(words.begin());
        const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                        [&](const Command& c) { return command == c.name; });
        if (known == std::end(kCommands) ||
            std::find(allowed.begin(), allowed.end(), known->kind) == allowed.end()) {
            error = ScriptLineError(number, "unknown command '" + command + "'");
            return false;
        }
        ScriptLine line;
        line.kind = known->kind;
        line.number = number;
        if (const std::string problem = ParseWords(line, command, words); !problem.empty()) {
            error = ScriptLineError(number, problem);
            return false;
        }
        lines.push_back(std::move(line));
    }
    return true;
}

}  // namespace qmt
