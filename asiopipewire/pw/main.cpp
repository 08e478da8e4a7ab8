// qmtasio-pipewire: the driver's 16-in/16-out device for every program of the Linux desktop,
// offered through PipeWire (and so to PulseAudio, ALSA and JACK programs alike).

#include <pipewire/pipewire.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "asiohost/AsioDriverChoice.h"
#include "asiohost/AsioDriverLoader.h"
#include "asiopipewire/ControllerCardsInUse.h"
#include "asiopipewire/FrontEndOptions.h"
#include "asiopipewire/pw/FrontEndSession.h"
#include "platform/desktop/DesktopDeviceEnumerator.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void simulateControllers(const qmt::FrontEndOptions& options) {
    // The driver picks its platform when it loads.
    ::setenv("QMT_SIMULATE", "1", 1);
    if (options.simRenderDir.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directories(options.simRenderDir, ignored);
    ::setenv("QMT_SIM_RENDER_DIR", options.simRenderDir.c_str(), 1);
}

// A controller's card that another program holds would leave its channels silent: refuse,
// naming the holder, rather than offer a device that does not play.
bool controllerCardsFree(const qmt::Guid& classId, std::string& error) {
    using namespace qmt;
    const QmtAsioBrand qmtBrand;
    const BrxAsioBrand brxBrand;
    const AsioBrandIf& brand =
        classId == BrxAsioBrand::kClassId ? static_cast<const AsioBrandIf&>(brxBrand) : qmtBrand;
    std::unique_ptr<DeviceEnumeratorIf> devices = MakeDesktopDeviceEnumerator(false);
    const std::vector<std::unique_ptr<DeviceModelIf>> owned = brand.createDeviceModels(*devices);
    std::vector<const DeviceModelIf*> models;
    for (const auto& model : owned)
        models.push_back(model.get());
    const std::vector<HeldCard> held =
        ControllerCardsInUse(*devices, models, SysfsAlsaCardLookup(), "/proc");
    if (held.empty()) return true;
    error = DescribeHeldCards(held);
    return false;
}

int run(const qmt::FrontEndOptions& options) {
    using namespace qmt::asiohost;
    if (options.list) {
        listDrivers(stdout);
        return kExitOk;
    }
    ChosenDriver chosen;
    std::string error;
    if (!chooseDriver(options.driver, chosen, error)) {
        std::fprintf(stderr, "qmtasio-pipewire: %s\n", error.c_str());
        return kExitFailure;
    }
    if (options.simulate) simulateControllers(options);
    // Stop signals are taken by the session's wait; every thread started from here on
    // inherits the mask.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    AsioDriverLoader loader;
    if (!loader.load(chosen.library, error) || !findDriverClass(loader, chosen, error)) {
        std::fprintf(stderr, "qmtasio-pipewire: %s\n", error.c_str());
        return kExitFailure;
    }
    if (!options.simulate && !controllerCardsFree(chosen.classId, error)) {
        std::fprintf(stderr, "qmtasio-pipewire: %s\n", error.c_str());
        return kExitFailure;
    }
    pw_init(nullptr, nullptr);
    int status = kExitOk;
    {
        qmt::FrontEndSession session(options, loader, chosen.classId, stdout, stderr);
        status = session.run();
    }
    if (!loader.unload())
        std::fprintf(stderr, "qmtasio-pipewire: the driver library still holds objects\n");
    pw_deinit();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    qmt::FrontEndOptions options;
    bool help = false;
    std::string error;
    if (!qmt::parseFrontEndOptions(std::vector<std::string>(argv + 1, argv + argc), options, help,
                                   error)) {
        std::fprintf(stderr, "qmtasio-pipewire: %s\n%s", error.c_str(), qmt::frontEndUsage());
        return kExitUsage;
    }
    if (help) {
        std::printf("%s", qmt::frontEndUsage());
        return kExitOk;
    }
    return run(options);
}
