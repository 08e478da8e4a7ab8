// qmtasioconfig (and brxasioconfig, the second brand's build): the ASIO driver's control panel.
// The driver starts it from its install folder with the program's path as the only argument;
// it can also be started on its own. `--simulate` (or QMT_SIMULATE=1) lists the simulated
// desktop's controllers instead of the real ones.

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "asio/AsioBufferSizeSetting.h"
#include "asio/AsioDeviceRegistry.h"
#include "asiopanel/ConfigurationChangedEvent.h"
#include "asiopanel/ControlPanel.h"
#include "asiopanel/PanelInstance.h"
#include "asiopanel/qt/PanelWorld.h"
#include "asiopanel/qt/QtControlPanelDialog.h"
#include "platform/sim/SimulatedDesktop.h"

#if defined(QMT_PANEL_BRAND_BRX)
#include "asio/BrxAsioBrand.h"
using PanelBrand = qmt::BrxAsioBrand;
#else
#include "asio/QmtAsioBrand.h"
using PanelBrand = qmt::QmtAsioBrand;
#endif

namespace {

// Without a display the dialog cannot be made, nor a message box shown; Qt would end the
// program with its own words, so the panel says it first, on standard error.
bool displayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

int fail(const qmt::AsioBrandIf& brand, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", brand.getControlPanelFileName(), why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    PanelBrand brand;
    if (!displayAvailable()) return fail(brand, "Failed to open control panel. (no display)");
    QApplication application(argc, argv);
    // QApplication has taken its own options (-platform, -display, ...) out of argv.
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool simulate = qmt::TakeSimulateOption(arguments);

    QApplication::setApplicationName(QString::fromLatin1(brand.getControlPanelFileName()));
    QApplication::setDesktopFileName(QString::fromLatin1(brand.getControlPanelFileName()));

    // Step 1: one panel at a time; a second start raises the first and leaves.
    qmt::PanelInstance instance(brand);
    std::string error;
    switch (instance.claim(error)) {
        case qmt::PanelInstance::Claim::Failed:
            return fail(brand, error);
        case qmt::PanelInstance::Claim::OtherPanelRaised:
            return 0;
        case qmt::PanelInstance::Claim::First:
            break;
    }

    // Step 2: the registry of the controllers with their settings, and the buffer size.
    std::unique_ptr<qmt::PanelWorld> world = qmt::PanelWorld::make(simulate, error);
    if (!world) return fail(brand, error);
    qmt::AsioDeviceRegistry registry(brand, world->devices(), world->cards(), world->settings(),
                                     brand.createDeviceModels(world->devices()));
    registry.initialize();
    qmt::AsioBufferSizeSetting bufferSize =
        qmt::AsioBufferSizeSetting::load(world->settings(), brand);

    // Step 3: the restore points (made by the panel) and the worker that raises the window.
    qmt::QtControlPanelDialog dialog(brand);
    qmt::ControlPanel panel({registry, brand, bufferSize, world->settings(), dialog.messages(),
                             [&brand] { qmt::SignalConfigurationChanged(brand); }});
    instance.listen([&dialog] { dialog.bringToFront(); });

    // Step 4: the dialog; OK applies what is pending, Cancel rolls it back.
    dialog.attach(panel);
    const int result = dialog.exec();
    instance.stopListening();
    panel.finish(result);
    return 0;
}
