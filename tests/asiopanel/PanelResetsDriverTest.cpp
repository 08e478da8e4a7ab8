// The panel and a running driver from end to end: qmtasiohost --simulate plays its test tone
// (output n sounds at n x 440 Hz) through the maker's driver while the panel, on the same
// simulated desktop and the same user settings, routes the KV5's left channel to output 9 and
// disables its right one and applies. The driver asks its host for a reset, the host starts
// it again, and the KV5's card, which keeps what it played, has played the new routing since.
// The host runs in real time for three seconds; what is checked does not depend on how the
// time went.

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <string>

#include "asio/QmtAsioBrand.h"
#include "asiopanel/ConfigurationChangedEvent.h"
#include "asiopanel/ControlPanel.h"
#include "common/WavFile.h"
#include "platform/sim/ScriptedMessageBox.h"
#include "platform/sim/SimulatedDesktop.h"
#include "tests/asiopanel/FakePanelView.h"
#include "tests/asiopanel/PanelTestWorld.h"

namespace qmt {
namespace {

constexpr unsigned kLeft = 0, kRight = 1;

// The tone's frequency on one channel over `frames` frames from `first`: zero crossings per
// sounding frame, so that a late host's gaps of silence do not lower it.
double frequency(const WavData& data, unsigned channel, size_t first, size_t frames) {
    int crossings = 0;
    size_t sounding = 0;
    const size_t stride = data.format.channels;
    for (size_t f = first; f + 1 < first + frames; ++f) {
        const int32_t now = data.samples[f * stride + channel];
        const int32_t next = data.samples[(f + 1) * stride + channel];
        sounding += now != 0 ? 1 : 0;
        crossings += (now < 0) != (next < 0) && now != 0 && next != 0 ? 1 : 0;
    }
    return sounding == 0 ? 0.0 : crossings * data.format.sampleRate / (2.0 * sounding);
}

bool silent(const WavData& data, unsigned channel, size_t first, size_t frames) {
    for (size_t f = first; f < first + frames; ++f) {
        if (data.samples[f * data.format.channels + channel] != 0) return false;
    }
    return true;
}

class PanelResetsDriverTest : public PanelTestWorld, public ::testing::Test {
  protected:
    void SetUp() override {
        // The panel's named events live where the host's do.
        ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
    }

    // The panel as a user runs it: KV5's row chosen, left to "Out 9", right "Disabled"; Apply
    // is left to the test, so that it comes while the host streams.
    void routeKv5() {
        PlugSimulatedDesktop(tree);
        registry = std::make_unique<AsioDeviceRegistry>(
            brand, tree, cards, settings, brand.createDeviceModels(tree), &clock, &wait);
        ASSERT_TRUE(registry->initialize());
        bufferSize = AsioBufferSizeSetting::load(settings, brand);
        panel = std::make_unique<ControlPanel>(
            ControlPanel::Services{*registry, brand, bufferSize, settings, messages,
                                   [this] { SignalConfigurationChanged(brand); }});
        panel->initialize(view, true);
        const std::vector<std::string> devices = view.column(0);
        const auto kv5 = std::find(devices.begin(), devices.end(), "KV5 (KV5-A)");
        ASSERT_NE(kv5, devices.end());
        panel->selectRow(static_cast<int>(kv5 - devices.begin()));
        ASSERT_EQ(view.dropDowns.left, 3) << "the KV5 plays outputs 3 and 4 to begin with";
        panel->chooseDropDownItem(PanelSide::Left, 9);
        panel->chooseDropDownItem(PanelSide::Right, 0);
    }

    QmtAsioBrand brand;
    std::unique_ptr<AsioDeviceRegistry> registry;
    AsioBufferSizeSetting bufferSize;
    ScriptedMessageBox messages;
    FakePanelView view;
    std::unique_ptr<ControlPanel> panel;
};

TEST_F(PanelResetsDriverTest, AppliedRoutingIsPlayedByTheRestartedDriver) {
    routeKv5();
    const std::string command = "QMT_REGISTRY_DIR='" + folder.path() +
                                "' '" QMTASIOHOST_PATH
                                "' --simulate --quiet --library '" QMT_ASIO_LIBRARY
                                "' --seconds 3 --outputs 1-16 --sim-render '" +
                                folder.file("cards") + "' 2>&1";
    FILE* host = ::popen(command.c_str(), "r");
    ASSERT_NE(host, nullptr);
    std::string log;
    char line[512];
    // The host says when it streams; from then on the driver waits for the panel's signal.
    while (std::fgets(line, sizeof line, host) != nullptr) {
        log += line;
        if (std::string(line).rfind("streaming", 0) == 0) break;
    }
    panel->apply();
    while (std::fgets(line, sizeof line, host) != nullptr)
        log += line;
    ASSERT_EQ(::pclose(host), 0) << log;
    EXPECT_NE(log.find("the driver asks for a reset"), std::string::npos) << log;

    WavData played;
    std::string error;
    ASSERT_TRUE(readWavFile(folder.file("cards/KV5-A-render.wav"), played, error)) << error;
    const size_t rate = played.format.sampleRate;
    const size_t tenth = rate / 10;
    ASSERT_GT(played.frames(), 2 * rate) << log;
    // Before the reset (the host restarts the driver a loop step after the signal at the
    // earliest): outputs 3 and 4, 1320 Hz and 1760 Hz (the first periods come a little long
    // while the card starts).
    size_t start = 0;
    while (start < played.frames() && silent(played, kLeft, start, 1))
        ++start;
    const size_t fiftieth = rate / 50;
    EXPECT_NEAR(frequency(played, kLeft, start, fiftieth), 1320, 200);
    EXPECT_NEAR(frequency(played, kRight, start, fiftieth), 1760, 250);
    // At the end: output 9 (3960 Hz) on the left, nothing on the right.
    const size_t end = played.frames() - tenth;
    EXPECT_NEAR(frequency(played, kLeft, end - tenth, tenth), 3960, 200);  // not 3520 or 4400
    EXPECT_TRUE(silent(played, kRight, end - tenth, tenth));
}

}  // namespace
}  // namespace qmt
