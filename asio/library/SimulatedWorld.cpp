// The simulated controllers a host gets with QMT_SIMULATE=1: the simulated desktop that every
// program of the system sees (so the panel and the driver agree on serial numbers), with its
// cards moved by real time. The maker's build plays the KV10, KV5, ARDO and ARDO RAW; this
// ARDO's card takes only 44.1 kHz, so a 48 kHz host hears it through the rate converters,
// while the others run at 48 kHz. The second brand's build plays the KRT4 in its 8-out, 2-in
// mode, whose capture side plays the cards' known signal. With QMT_SIM_RENDER_DIR set, each
// card leaves what it played there as <serial>-render.wav when the library unloads. With
// QMT_SIM_HOTPLUG set, controllers are unplugged and plugged back on its schedule
// (platform/sim/SimHotplugSchedule.h), whose seconds count from the moment the controllers are
// plugged in: the process's first driver creation.

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "asio/AsioBrandIf.h"
#include "asio/library/LibraryWorld.h"
#include "common/AsciiCase.h"
#include "common/WavFile.h"
#include "platform/RealtimeScheduler.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimHotplugSchedule.h"
#include "platform/sim/SimSoundCardModels.h"
#include "platform/sim/SimulatedDesktop.h"

namespace qmt {

namespace {

// An ARDO card of an older revision: 6 channels, 16 to 24 bits, 44.1 kHz only.
SimSoundCardProfile ardoAt44100Only() {
    SimPinProfile render;
    render.dataFlow = KSPIN_DATAFLOW_IN;
    render.communication = KSPIN_COMMUNICATION_SINK;
    render.name = "Speaker";
    render.ranges = {MakePcmDataRange(6, 16, 24, 44100, 44100)};
    return SimUsbAudioCardProfile("ARDO Audio", &render, nullptr);
}

class SimulatedWorld final : public LibraryWorldAbs {
  public:
    SimulatedWorld(const AsioBrandIf& brand, std::unique_ptr<FileRegistry> registry)
        : LibraryWorldAbs(brand, std::move(registry)), cards_(tree_) {
        attach(tree_, cards_, realtime_);
        plugControllers();
        cards_.startRealTime(&clockRealtime_);
        startHotplug();
    }

    ~SimulatedWorld() override {
        hotplug_.reset();
        cards_.stopRealTime();
        leaveRecordings();
    }

  private:
    static const char* renderFolder() {
        const char* folder = std::getenv("QMT_SIM_RENDER_DIR");
        return folder != nullptr && *folder != '\0' ? folder : nullptr;
    }

    void plugControllers() {
        PlugSimulatedDesktop(tree_);
        std::vector<DeviceInterfaceEntry> cards;
        tree_.listInterfaces(InterfaceCategory::Audio, cards);
        for (const DeviceInterfaceEntry& card : cards) {
            const int handle = tree_.controllerWithAudioPath(card.path);
            SimControllerModel model;
            if (handle == 0 || !tree_.controllerModel(handle, model)) continue;
            if (model == SimControllerModel::Ardo)
                cards_.card(handle)->setProfile(ardoAt44100Only());
            // Kept only for the files asked for: a long run would fill memory otherwise.
            cards_.card(handle)->setRecording(renderFolder() != nullptr);
            plugged_.push_back(handle);
        }
    }

    void startHotplug() {
        const char* schedule = std::getenv("QMT_SIM_HOTPLUG");
        if (schedule == nullptr || *schedule == '\0') return;
        std::vector<SimHotplugStep> steps;
        std::string error;
        if (!ParseSimHotplugSchedule(schedule, steps, error) || !knowsEverySerial(steps, error)) {
            sayToUser(brand_, error);
            return;
        }
        hotplug_ = std::make_unique<SimHotplugPlayer>(
            std::move(steps), [this](const std::string& serial, bool plug) {
                for (size_t i = 0; i < plugged_.size(); ++i) {
                    if (!equalsIgnoreCase(serialOf(plugged_[i]), serial)) continue;
                    // The same handle on its own port keeps the controller's card.
                    if (plug) {
                        tree_.moveController(plugged_[i], portOf(serial));
                    } else {
                        tree_.unplugController(plugged_[i]);
                    }
                }
            });
    }

    // A schedule naming no simulated controller would do nothing, silently: it is refused.
    bool knowsEverySerial(const std::vector<SimHotplugStep>& steps, std::string& error) {
        std::string known;
        for (const int handle : plugged_)
            known += (known.empty() ? "" : ", ") + serialOf(handle);
        for (const SimHotplugStep& step : steps) {
            const bool found = std::any_of(plugged_.begin(), plugged_.end(), [&](int handle) {
                return equalsIgnoreCase(serialOf(handle), step.serial);
            });
            if (found) continue;
            error = "QMT_SIM_HOTPLUG: no simulated controller has the serial number \"" +
                    step.serial + "\" (there are " + known + ")";
            return false;
        }
        return true;
    }

    // The port PlugSimulatedDesktop gave the controller.
    static int portOf(const std::string& serial) {
        int port = 1;
        for (const SimulatedController& controller : SimulatedDesktopControllers()) {
            if (equalsIgnoreCase(serial, controller.serial)) return port;
            ++port;
        }
        return port;
    }

    void leaveRecordings() {
        const char* folder = renderFolder();
        if (folder == nullptr) return;
        for (const int handle : plugged_) {
            std::shared_ptr<SimSoundCard> card = cards_.card(handle);
            const PcmWaveFormat format = card->recordedFormat();
            if (format.channels == 0) continue;
            WavData data{{format.sampleRate, format.channels, format.bitsPerSample}, {}};
            std::vector<std::vector<int32_t>> channels;
            for (unsigned c = 0; c < format.channels; ++c)
                channels.push_back(card->recorded(c));
            for (size_t frame = 0; frame < channels[0].size(); ++frame) {
                for (unsigned c = 0; c < format.channels; ++c)
                    data.samples.push_back(frame < channels[c].size() ? channels[c][frame] : 0);
            }
            const std::string path = std::string(folder) + "/" + serialOf(handle) + "-render.wav";
            std::string error;
            if (!writeWavFile(path, data, error)) sayToUser(brand_, error);
        }
    }

    std::string serialOf(int handle) {
        SimControllerModel model;
        tree_.controllerModel(handle, model);
        for (const SimulatedController& controller : SimulatedDesktopControllers()) {
            if (controller.model == model) return controller.serial;
        }
        return "controller" + std::to_string(handle);
    }

    SimDeviceTree tree_;
    SimAudioCards cards_;
    FifoRealtimeScheduler realtime_;
    // The cards' clock plays hardware: it runs above the streaming thread where allowed.
    FifoRealtimeScheduler clockRealtime_{FifoRealtimeScheduler::kSimulatedHardwarePriority};
    std::vector<int> plugged_;
    std::unique_ptr<SimHotplugPlayer> hotplug_;
};

}  // namespace

std::unique_ptr<LibraryWorldIf> makeSimulatedWorld(const AsioBrandIf& brand, std::string& error) {
    std::unique_ptr<FileRegistry> registry = libraryRegistry(error);
    if (!registry) return nullptr;
    return std::make_unique<SimulatedWorld>(brand, std::move(registry));
}

}  // namespace qmt
