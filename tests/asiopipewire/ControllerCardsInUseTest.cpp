// Finding the controllers' cards that another program holds, from the device tree and the
// kernel's substream status files.

#include "asiopipewire/ControllerCardsInUse.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "asio/QmtAsioBrand.h"
#include "platform/sim/SimDeviceTree.h"
#include "tests/platform/TempFolder.h"

namespace qmt {
namespace {

TEST(ControllerCardsInUseTest, NamesTheHolderOfAControllersOpenCardOnly) {
    SimDeviceTree tree;
    const int kv5 = tree.plugController(SimControllerModel::Kv5, u"KV5000001", 1);
    const int ardo = tree.plugController(SimControllerModel::Ardo, u"ARDO00001", 2);
    const int krt4 = tree.plugController(SimControllerModel::Krt4, u"KRT400001", 3);
    const std::string kv5Path = tree.audioInterfacePath(kv5);
    const std::string ardoPath = tree.audioInterfacePath(ardo);
    const std::string krt4Path = tree.audioInterfacePath(krt4);
    // KV5 is card 2, ARDO card 3 (capture only), the other brand's KRT4 card 4.
    const AlsaCardLookup lookup = [&](const std::string& path, AlsaCardDevices& devices) {
        const int card = path == kv5Path ? 2 : path == ardoPath ? 3 : path == krt4Path ? 4 : -1;
        if (card < 0) return false;
        devices.name = "card" + std::to_string(card);
        devices.playback = card == 3 ? AlsaPcmAddress{} : AlsaPcmAddress{card, 0, -1, false};
        devices.capture = {card, 0, -1, true};
        return true;
    };
    TempFolder proc;
    const auto status = [&](const std::string& pcm, const std::string& text) {
        std::filesystem::create_directories(proc.path() + "/asound/" + pcm + "/sub0");
        proc.write("asound/" + pcm + "/sub0/status", text);
    };
    status("card2/pcm0p", "state: RUNNING\nowner_pid   : 4242\n");
    status("card2/pcm0c", "closed\n");
    status("card3/pcm0c", "closed\n");
    status("card4/pcm0p", "state: RUNNING\nowner_pid   : 4242\n");
    std::filesystem::create_directories(proc.path() + "/4242");
    proc.write("4242/comm", "pipewire\n");

    const QmtAsioBrand brand;
    const auto owned = brand.createDeviceModels(tree);
    std::vector<const DeviceModelIf*> models;
    for (const auto& model : owned)
        models.push_back(model.get());

    std::vector<HeldCard> held = ControllerCardsInUse(tree, models, lookup, proc.path());
    ASSERT_EQ(held.size(), 1u) << "the KRT4 is not this brand's controller";
    EXPECT_EQ(held[0].name, "card2");
    EXPECT_EQ(held[0].device, "hw:2");
    EXPECT_EQ(held[0].holder, "in use by pipewire (process 4242)");
    const std::string message = DescribeHeldCards(held);
    EXPECT_NE(message.find("\"card2\" (hw:2) is in use by pipewire"), std::string::npos);
    EXPECT_NE(message.find("pactl set-card-profile"), std::string::npos);

    status("card2/pcm0p", "closed\n");
    EXPECT_TRUE(ControllerCardsInUse(tree, models, lookup, proc.path()).empty());
}

}  // namespace
}  // namespace qmt
