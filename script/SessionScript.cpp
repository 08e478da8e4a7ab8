#include "script/SessionScript.h"

#include <map>

namespace qmt {

std::string ProductIdForModel(const std::string& model) {
    static const std::map<std::string, std::string> ids{
        {"kv10", "0100"}, {"kv5", "0202"}, {"ardo", "0300"}, {"ardo-raw", "0310"}};
    auto it = ids.find(model);
    return it == ids.end() ? std::string() : it->second;
}

bool ParseSessionScript(std::istream& in, std::vector<ScriptLine>& lines, std::string& error) {
    using Kind = ScriptLine::Kind;
    if (!ParseScript(in,
                     {Kind::Plug, Kind::Unplug, Kind::Use, Kind::Report, Kind::Idle, Kind::Write,
                      Kind::Midi, Kind::Resend, Kind::Reload},
                     lines, error))
        return false;
    for (const ScriptLine& line : lines) {
        if (line.kind != Kind::Plug || !ProductIdForModel(line.model).empty()) continue;
        error = ScriptLineError(line.number, "unknown model '" + line.model + "'");
        return false;
    }
    return true;
}

}  // namespace qmt
