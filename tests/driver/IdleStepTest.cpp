// The worker's 5 ms tick drives the ARDO button machine between reports.

#include <gtest/gtest.h>

#include "tests/driver/DriverRig.h"
#include "tests/engine/HandlerRig.h"

namespace qmt::test {
namespace {

constexpr uint8_t kPlay = 22;

// The factory ARDO preset, with "Play" repeating note 60 every 100 ms while held.
void WriteRepeatingArdoPreset(const TempFolder& folder) {
    for (FactoryPreset& factory : FactoryPresets()) {
        if (factory.preset.kind != PresetKind::Kap) continue;
        Assignment repeat;
        repeat.function = kAutoRepeat;
        repeat.interval = 100 * 10'000;
        repeat.messages[0].kind = kMsgNote;
        repeat.messages[0].channel = kChannelDefault;
        repeat.messages[0].number = 60;
        repeat.messages[0].value = 127;
        repeat.messages[1] = repeat.messages[0];
        repeat.messages[1].value = 0;
        factory.preset.lists[kPlay] = {repeat};
        SaveFileAtomically(folder.file(factory.name + PresetExtension(factory.preset.kind)),
                           WritePreset(factory.preset));
    }
}

TEST(IdleStep, HeldAutoRepeatButtonRepeatsOnTicksWithoutNewReports) {
    DriverRig rig;
    WriteRepeatingArdoPreset(rig.folder);
    auto ardo = rig.Plug("0300", "A1");
    rig.OpenRunning(kDMusStreamMidiCapture);

    ardo->Deliver(ArdoReport().bytes);               // takes the new presets, sends nothing
    ardo->Deliver(ArdoReport().press(kPlay).bytes);  // held: an auto repeat waits first
    ASSERT_TRUE(ardo->WaitForReads(2, kPatienceMs));
    ASSERT_TRUE(ardo->WaitForBlockedRead(kPatienceMs));
    const size_t before = rig.port->received().size();

    // No report arrives from here on: only the idle tick can run the button machine.
    rig.clock->advanceMs(100);
    ASSERT_TRUE(rig.timer.Fire());
    ASSERT_TRUE(rig.port->WaitForReceived(before + 2, kPatienceMs));
    const auto received = rig.port->received();
    EXPECT_EQ(received[before].bytes, (std::vector<uint8_t>{0x90, 60, 127}));
    EXPECT_EQ(received[before + 1].bytes, (std::vector<uint8_t>{0x90, 60, 0}));

    // A tick before the next interval has passed sends nothing more.
    rig.clock->advanceMs(50);
    ASSERT_TRUE(rig.timer.Fire());
    rig.clock->advanceMs(50);
    ASSERT_TRUE(rig.timer.Fire());
    ASSERT_TRUE(rig.port->WaitForReceived(before + 4, kPatienceMs));
    EXPECT_EQ(rig.port->received().size(), before + 4);
}

}  // namespace
}  // namespace qmt::test
