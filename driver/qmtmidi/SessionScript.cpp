#include "driver/qmtmidi/SessionScript.h"

#include <map>
#include <sstream>

namespace qmt {

namespace {

bool ParseHexByte(const std::string& text, uint8_t& byte) {
    if (text.size() != 2) return false;
    unsigned value = 0;
    for (char c : text) {
        value <<= 4;
        if (c >= '0' && c <= '9')
            value |= static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            value |= static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            value |= static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
    }
    byte = static_cast<uint8_t>(value);
    return true;
}

bool ParseTime(const std::string& text, int64_t& time) {
    if (text.empty() || text.size() > 12) return false;
    time = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        time = time * 10 + (c - '0');
    }
    return true;
}

const std::map<std::string, SessionLine::Kind>& Kinds() {
    static const std::map<std::string, SessionLine::Kind> kinds{
        {"plug", SessionLine::Kind::Plug},    {"unplug", SessionLine::Kind::Unplug},
        {"use", SessionLine::Kind::Use},      {"report", SessionLine::Kind::Report},
        {"idle", SessionLine::Kind::Idle},    {"write", SessionLine::Kind::Write},
        {"midi", SessionLine::Kind::Midi},    {"resend", SessionLine::Kind::Resend},
        {"reload", SessionLine::Kind::Reload}};
    return kinds;
}

// Fills `line` from the words after the command; returns an error text or "".
std::string ParseWords(SessionLine& line, const std::vector<std::string>& words) {
    using Kind = SessionLine::Kind;
    if (line.kind == Kind::Plug) {
        if (words.size() != 2) return "plug needs MODEL SERIAL";
        if (ProductIdForModel(words[0]).empty()) return "unknown model '" + words[0] + "'";
        line.model = words[0];
        line.serial = words[1];
        return "";
    }
    if (line.kind == Kind::Unplug || line.kind == Kind::Use) {
        if (words.size() != 1) return "needs one SERIAL";
        line.serial = words[0];
        return "";
    }
    if (words.empty() || !ParseTime(words[0], line.timeMs)) return "needs a time T in ms";
    for (size_t i = 1; i < words.size(); ++i) {
        uint8_t byte = 0;
        if (!ParseHexByte(words[i], byte)) return "'" + words[i] + "' is not a hex byte";
        line.bytes.push_back(byte);
    }
    const bool wantsBytes = line.kind == Kind::Report || line.kind == Kind::Midi;
    if (!wantsBytes && !line.bytes.empty()) return "takes no bytes";
    if (line.kind == Kind::Report && line.bytes.empty()) return "report needs bytes";
    if (line.kind == Kind::Midi && (line.bytes.empty() || line.bytes.size() > 3))
        return "midi needs 1 to 3 bytes";
    return "";
}

}  // namespace

std::string ProductIdForModel(const std::string& model) {
    static const std::map<std::string, std::string> ids{
        {"kv10", "0100"}, {"kv5", "0202"}, {"ardo", "0300"}, {"ardo-raw", "0310"}};
    auto it = ids.find(model);
    return it == ids.end() ? std::string() : it->second;
}

bool ParseSessionScript(std::istream& in, std::vector<SessionLine>& lines, std::string& error) {
    std::string text;
    size_t number = 0;
    while (std::getline(in, text)) {
        ++number;
        const size_t hash = text.find('#');
        if (hash != std::string::npos) text.resize(hash);
        std::istringstream words(text);
        std::string command;
        if (!(words >> command)) continue;
        auto kind = Kinds().find(command);
        if (kind == Kinds().end()) {
            error = "line " + std::to_string(number) + ": unknown command '" + command + "'";
            return false;
        }
        SessionLine line;
        line.kind = kind->second;
        line.number = number;
        std::vector<std::string> rest;
        for (std::string word; words >> word;)
            rest.push_back(word);
        const std::string problem = ParseWords(line, rest);
        if (!problem.empty()) {
            error = "line " + std::to_string(number) + ": " + problem;
            return false;
        }
        lines.push_back(std::move(line));
    }
    return true;
}

}  // namespace qmt
