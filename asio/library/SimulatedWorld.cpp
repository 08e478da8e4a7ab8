// The simulated controllers a host gets with QMT_SIMULATE=1, their sound cards moved by real
// time. The maker's build sees a KV5 whose card runs at 48 kHz and an ARDO whose card takes
// only 44.1 kHz (so a 48 kHz host hears it through the rate converters); the second brand's
// build sees a KRT4 in its 8-out, 2-in mode, whose capture side plays the cards' known
// signal. With QMT_SIM_RENDER_DIR set, each card leaves what it played there as
// <serial>-render.wav when the library unloads.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "asio/AsioBrandIf.h"
#include "asio/AsioModelTypes.h"
#include "asio/CompositeKsAudioDevice.h"
#include "asio/library/LibraryWorld.h"
#include "common/Clock.h"
#include "common/TimedWaitIf.h"
#include "common/WavFile.h"
#include "platform/FileRegistry.h"
#include "platform/ProcessLauncher.h"
#include "platform/RealtimeScheduler.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimSoundCardModels.h"

namespace qmt {

namespace {

struct SimulatedController {
    SimControllerModel model;
    const char16_t* serial;
    int port;
};

// An ARDO card of an older revision: 6 channels, 16 to 24 bits, 44.1 kHz only.
SimSoundCardSpec ardoAt44100Only() {
    SimPinSpec render;
    render.dataFlow = KSPIN_DATAFLOW_IN;
    render.communication = KSPIN_COMMUNICATION_SINK;
    render.name = "Speaker";
    render.ranges = {SimPcmRange(6, 16, 24, 44100, 44100)};
    return SimUsbAudioCardSpec("ARDO Audio", &render, nullptr);
}

class SimulatedWorld final : public LibraryWorldIf {
  public:
    SimulatedWorld(const AsioBrandIf& brand, std::unique_ptr<FileRegistry> registry)
        : brand_(brand), registry_(std::move(registry)), cards_(tree_) {
        environment_.registry = registry_.get();
        environment_.devices = &tree_;
        environment_.cards = &cards_;
        environment_.launcher = &launcher_;
        environment_.realtime = &realtime_;
        environment_.tickClock = &tick_;
        environment_.streamWait = &wait_;
        environment_.performanceCounter = &counter_;
        environment_.notice = [this](const std::string& text) { sayToUser(brand_, text); };
        environment_.createDevice = [this](AsioDeviceRegistry& registry) {
            return std::unique_ptr<AudioDeviceIf>(
                CompositeKsAudioDevice::create(registry, environment_).release());
        };
        plugControllers();
        cards_.startRealTime();
    }

    ~SimulatedWorld() override {
        cards_.stopRealTime();
        leaveRecordings();
    }

    AsioEnvironment& environment() override { return environment_; }

  private:
    void plugControllers() {
        const bool secondBrand = std::string(brand_.getMakerName()) != "QMT";
        const std::vector<SimulatedController> controllers =
            secondBrand
                ? std::vector<SimulatedController>{{SimControllerModel::Krt4, u"BRXSIMKRT4001", 1}}
                : std::vector<SimulatedController>{{SimControllerModel::Kv5, u"QMTSIMKV5001", 1},
                                                   {SimControllerModel::Ardo, u"QMTSIMARDO001", 2}};
        for (const SimulatedController& controller : controllers) {
            const int handle =
                tree_.plugController(controller.model, controller.serial, controller.port);
            if (controller.model == SimControllerModel::Ardo) {
                cards_.card(handle)->setSpec(ardoAt44100Only());
            }
            plugged_.push_back({handle, controller.serial});
        }
    }

    void leaveRecordings() {
        const char* folder = std::getenv("QMT_SIM_RENDER_DIR");
        if (folder == nullptr || *folder == '\0') return;
        for (const auto& [handle, serial] : plugged_) {
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
            const std::string path = std::string(folder) + "/" +
                                     std::string(serial.begin(), serial.end()) + "-render.wav";
            std::string error;
            if (!writeWavFile(path, data, error)) sayToUser(brand_, error);
        }
    }

    const AsioBrandIf& brand_;
    std::unique_ptr<FileRegistry> registry_;
    SimDeviceTree tree_;
    SimAudioCards cards_;
    SteadyTickClock tick_;
    SteadyTimedWait wait_;
    SteadyPerformanceCounter counter_;
    DetachedProcessLauncher launcher_;
    FifoRealtimeScheduler realtime_;
    AsioEnvironment environment_;
    std::vector<std::pair<int, std::u16string>> plugged_;
};

}  // namespace

std::unique_ptr<LibraryWorldIf> makeSimulatedWorld(const AsioBrandIf& brand, std::string& error) {
    std::unique_ptr<FileRegistry> registry = FileRegistry::fromEnvironment();
    if (!registry) {
        error = "no folder for the settings (set HOME or QMT_REGISTRY_DIR)";
        return nullptr;
    }
    return std::make_unique<SimulatedWorld>(brand, std::move(registry));
}

void sayToUser(const AsioBrandIf& brand, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", brand.getLongDriverName(), text.c_str());
}

}  // namespace qmt
