#include "driver/qmtmidi/SimulatedMidiService.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "devices/FindMidiDriver.h"
#include "driver/ControlDispatch.h"
#include "driver/qmtmidi/MidiText.h"
#include "model/MidiSettings.h"
#include "script/TranslateScript.h"

namespace qmt {

namespace {

std::string Format(const char* format, double ms) {
    char text[32];
    std::snprintf(text, sizeof text, format, ms);
    return text;
}

}  // namespace

SimulatedMidiService::SimulatedMidiService(RegistryIf& registry, std::ostream& out)
    : registry_(registry), out_(out), clock_(std::make_shared<SteadyPortClock>()) {
    clock_->Now(start100ns_);
}

SimulatedMidiService::~SimulatedMidiService() {
    Stop();
}

double SimulatedMidiService::MsSinceStart(int64_t time100ns) const {
    return static_cast<double>(time100ns - start100ns_) / 10'000.0;
}

void SimulatedMidiService::Print(const std::string& text) {
    std::lock_guard lock(outMutex_);
    out_ << text << '\n';
    out_.flush();
}

bool SimulatedMidiService::Start(const std::string& socketPath, std::string& error) {
    miniport_ = std::make_unique<MidiMiniport>(MiniportServices{&registry_, &bus_, &bus_, &timer_});
    port_ = std::make_unique<SimMidiPort>(clock_);
    port_->SetMiniport(miniport_.get());
    if (!NtSuccess(miniport_->Init(port_.get()))) {
        error = "the miniport did not start";
        return false;
    }
    // A reload asked for by another program (the agent, the configuration program) is
    // announced, so that a session shows when and what it reloaded.
    const auto answerAndTell = [this](const ControlRequest& request) {
        if (request.code == kIoctlReloadMapping) {
            std::string selected;
            Print("qmtmidi: reload requested; selected mapping " +
                  (QuerySelectedMapping(registry_, selected) ? selected : "(none)"));
        }
        return AnswerControlRequest(request);
    };
    if (!socketPath.empty() && !control_.Start(socketPath, answerAndTell, error)) return false;
    bus_.SetWriteListener([this](const std::string& serial, const SimController::Report& report) {
        int64_t now = 0;
        clock_->Now(now);
        Print(Format("%10.3f ms  out  ", MsSinceStart(now)) + serial + "  " + HexBytes(report));
    });
    port_->SetListener([this](const ReceivedMidi& m) {
        Print(Format("%10.3f ms  in   ", MsSinceStart(m.time)) + HexBytes(m.bytes) + "   " +
              DescribeMidi(m.bytes));
    });
    capture_ = port_->Open(kDMusStreamMidiCapture);
    render_ = port_->Open(kDMusStreamMidiRender);
    if (capture_ == 0 || render_ == 0) {
        error = "the application could not open \"QMT MIDI In\" and \"QMT MIDI Out\"";
        return false;
    }
    port_->Connect(capture_);
    port_->Connect(render_);
    Print("qmtmidi: application opened \"QMT MIDI In\" and \"QMT MIDI Out\"" +
          std::string(control_.path().empty() ? "" : "; control socket " + control_.path()));
    if (port_->SetState(capture_, KsState::Run) < 0 || port_->SetState(render_, KsState::Run) < 0) {
        error = "the streams did not run";
        return false;
    }
    return true;
}

bool SimulatedMidiService::Play(const std::vector<ScriptLine>& lines, const std::atomic<bool>& quit,
                                std::string& error) {
    const auto start = started_;
    for (const ScriptLine& line : lines) {
        const auto due = start + std::chrono::milliseconds(line.time);
        // Short sleeps keep a Ctrl-C answered at once.
        while (!quit.load() && std::chrono::steady_clock::now() < due)
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                due - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
        if (quit.load()) return true;
        if (!Act(line, error)) {
            error = "line " + std::to_string(line.number) + ": " + error;
            return false;
        }
    }
    return true;
}

bool SimulatedMidiService::Act(const ScriptLine& line, std::string& error) {
    using Kind = ScriptLine::Kind;
    switch (line.kind) {
        case Kind::Plug: {
            const std::string path = SimHidBus::PathFor(ProductIdForModel(line.model), line.serial);
            Print("qmtmidi: plug " + line.model + " \"" + line.serial + "\"");
            auto controller = bus_.Plug(path, line.serial);
            if (!controller) return error = "\"" + line.serial + "\" is already plugged", false;
            paths_[line.serial] = path;
            models_[line.serial] = ModelTypeForName(line.model).value_or(0);
            current_ = line.serial;
            return true;
        }
        case Kind::Unplug: {
            auto it = paths_.find(line.serial);
            if (it == paths_.end()) return error = "no controller \"" + line.serial + "\"", false;
            Print("qmtmidi: unplug \"" + line.serial + "\"");
            bus_.Unplug(it->second);
            paths_.erase(it);
            models_.erase(line.serial);
            if (current_ == line.serial) current_.clear();
            return true;
        }
        case Kind::Use:
            if (paths_.count(line.serial) == 0)
                return error = "no controller \"" + line.serial + "\"", false;
            current_ = line.serial;
            return true;
        case Kind::Report: {
            auto controller = current_.empty() ? nullptr : bus_.Find(paths_[current_]);
            if (!controller) return error = "no current controller (plug or use one)", false;
            const size_t length = ReportLengthOf(models_[current_]);
            if (line.bytes.size() != length)
                return error = "report of " + std::to_string(line.bytes.size()) + " bytes, \"" +
                               current_ + "\" sends " + std::to_string(length),
                       false;
            controller->Deliver(line.bytes);
            return true;
        }
        case Kind::Midi: {
            int64_t now = 0;
            clock_->Now(now);
            port_->Send(render_, {RenderEventItem{kDMusEventStructured, now, line.bytes, {}}});
            return true;
        }
        case Kind::Resend:
            port_->Disconnect(capture_);
            port_->Connect(capture_);
            return true;
        case Kind::Reload:
            Print("qmtmidi: reload the selected mapping");
            NotifyMidiDriver();
            return true;
        case Kind::Idle:
        case Kind::Write:
            return true;
    }
    return true;
}

void SimulatedMidiService::Stop() {
    if (port_) {
        port_->SetState(capture_, KsState::Stop);
        port_->SetState(render_, KsState::Stop);
        port_->CloseAll();
    }
    control_.Stop();
    miniport_.reset();
    port_.reset();
}

}  // namespace qmt
