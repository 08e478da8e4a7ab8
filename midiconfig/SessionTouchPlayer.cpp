#include "midiconfig/SessionTouchPlayer.h"

#include <optional>

#include "common/AsciiCase.h"

namespace qmt {

namespace {

std::optional<SimControllerModel> ModelOfName(const std::string& name) {
    if (equalsIgnoreCase(name, "kv10")) return SimControllerModel::Kv10;
    if (equalsIgnoreCase(name, "kv5")) return SimControllerModel::Kv5;
    if (equalsIgnoreCase(name, "ardo")) return SimControllerModel::Ardo;
    if (equalsIgnoreCase(name, "ardo-raw")) return SimControllerModel::ArdoRaw;
    return std::nullopt;
}

// The longest single wait, so a stop request is never kept waiting on a far-off line.
constexpr uint32_t kLongestWaitMs = 1000;

}  // namespace

bool SessionTouchPlayer::Parse(std::istream& in, std::vector<ScriptLine>& lines,
                               std::string& error) {
    using K = ScriptLine::Kind;
    if (!ParseScript(in,
                     {K::Report, K::Idle, K::Midi, K::Write, K::Resend, K::Reload, K::Plug,
                      K::Unplug, K::Use},
                     lines, error))
        return false;
    for (const ScriptLine& line : lines) {
        if (line.kind == K::Plug && !ModelOfName(line.model)) {
            error = ScriptLineError(
                line.number, "unknown model '" + line.model + "' (kv10, kv5, ardo, ardo-raw)");
            return false;
        }
    }
    return true;
}

SessionTouchPlayer::SessionTouchPlayer(SimDeviceTree& tree, SimHidBus& bus,
                                       std::vector<ScriptLine> lines, TickClockIf* clock,
                                       TimedWaitIf* wait)
    : tree_(tree),
      bus_(bus),
      lines_(std::move(lines)),
      clock_(clock ? *clock : steadyClock_),
      wait_(wait ? *wait : steadyWait_) {}

SessionTouchPlayer::~SessionTouchPlayer() {
    stop();
}

void SessionTouchPlayer::run() {
    const uint32_t start = clock_.tickMs();
    for (const ScriptLine& line : lines_) {
        const bool timed = line.kind != ScriptLine::Kind::Plug &&
                           line.kind != ScriptLine::Kind::Unplug &&
                           line.kind != ScriptLine::Kind::Use;
        if (timed && !waitUntil(start, line.time)) return;
        act(line);
        played_.fetch_add(1);
    }
}

bool SessionTouchPlayer::waitUntil(uint32_t startMs, int64_t timeMs) {
    for (;;) {
        const int64_t elapsed = static_cast<uint32_t>(clock_.tickMs() - startMs);
        if (elapsed >= timeMs) return true;
        const auto wait =
            static_cast<uint32_t>(std::min<int64_t>(timeMs - elapsed, kLongestWaitMs));
        if (wait_.waitFor(quitEvent(), wait)) return false;
    }
}

void SessionTouchPlayer::act(const ScriptLine& line) {
    switch (line.kind) {
        case ScriptLine::Kind::Plug: {
            const std::u16string serial(line.serial.begin(), line.serial.end());
            const int handle = tree_.plugController(*ModelOfName(line.model), serial, nextPort_++);
            const std::string path = tree_.hidInterfacePath(handle);
            // The bus serves the interface the tree lists, so the editor opens it by its path.
            bus_.Plug(path, line.serial);
            plugged_[line.serial] = {handle, path};
            current_ = line.serial;
            break;
        }
        case ScriptLine::Kind::Unplug: {
            const auto it = plugged_.find(line.serial);
            if (it == plugged_.end()) break;
            bus_.Unplug(it->second.path);
            tree_.unplugController(it->second.handle);
            plugged_.erase(it);
            break;
        }
        case ScriptLine::Kind::Use:
            current_ = line.serial;
            break;
        case ScriptLine::Kind::Report: {
            const auto it = plugged_.find(current_);
            if (it == plugged_.end()) break;
            if (auto device = bus_.Find(it->second.path)) device->Deliver(line.bytes);
            break;
        }
        default:
            break;  // the driver's lines: their time has come, nothing else to do
    }
}

}  // namespace qmt
