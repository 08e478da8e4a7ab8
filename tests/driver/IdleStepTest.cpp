// The worker's 5 ms tick drives the ARDO button machine between reports.

#include <gtest/gtest.h>

#include "tests/driver/DriverRig.h"
#include "tests/engine/HandlerRig.h"

namespace qmt::test {
namespace {

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
        factory.preset.lists[kControlPlay] = {repeat};
        SaveFileAtomically(folder.file(factory.name + PresetExtension(factory.preset.kind)),
                           WritePreset(factory.preset));
    }
}

// The notes of "Play" the application received so far. The state refresh that connecting
// the capture stream sends goes out from the worker thread at the same time; it sends no
// notes, so filtering keeps the count free of that race.
std::vector<std::vector<uint8_t>> PlayNotes(SimMidiPort& port) {
    std::vector<std::vector<uint8_t>> notes;
    for (const ReceivedMidi& message : port.received())
        if (message.bytes.size() == 3 && message.bytes[0] == 0x90 && message.bytes[1] == 60)
            notes.push_back(message.bytes);
    return notes;
}

bool WaitForPlayNotes(SimMidiPort& port, size_t count) {
    for (size_t seen = port.received().size();; ++seen) {
        if (PlayNotes(port).size() >= count) return true;
        if (!port.WaitForReceived(seen + 1, kPatienceMs)) return PlayNotes(port).size() >= count;
    }
}

TEST(IdleStep, HeldAutoRepeatButtonRepeatsOnTicksWithoutNewReports) {
    DriverRig rig;
    WriteRepeatingArdoPreset(rig.folder);
    auto ardo = rig.Plug("0300", "A1");
    rig.OpenRunning(kDMusStreamMidiCapture);

    ardo->Deliver(ArdoReport().bytes);                      // takes the new presets, sends nothing
    ardo->Deliver(ArdoReport().press(kControlPlay).bytes);  // held: an auto repeat waits first
    ASSERT_TRUE(ardo->WaitForReads(2, kPatienceMs));
    ASSERT_TRUE(ardo->WaitForBlockedRead(kPatienceMs));
    EXPECT_TRUE(PlayNotes(*rig.port).empty());

    // No report arrives from here on: only the idle tick can run the button machine.
    rig.clock->advanceMs(100);
    ASSERT_TRUE(rig.timer.Fire());
    ASSERT_TRUE(WaitForPlayNotes(*rig.port, 2));
    const auto notes = PlayNotes(*rig.port);
    EXPECT_EQ(notes[0], (std::vector<uint8_t>{0x90, 60, 127}));
    EXPECT_EQ(notes[1], (std::vector<uint8_t>{0x90, 60, 0}));

    // A tick before the next interval has passed sends nothing more.
    rig.clock->advanceMs(50);
    ASSERT_TRUE(rig.timer.Fire());
    rig.clock->advanceMs(50);
    ASSERT_TRUE(rig.timer.Fire());
    ASSERT_TRUE(WaitForPlayNotes(*rig.port, 4));
    EXPECT_EQ(PlayNotes(*rig.port).size(), 4u);
}

}  // namespace
}  // namespace qmt::test
