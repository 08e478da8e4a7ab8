// Controllers arriving, running and leaving while the driver's threads run.

#include <gtest/gtest.h>

#include "DriverRig.h"
#include "common/Event.h"

namespace qmt::test {
namespace {

// Waits until the application has received `bytes` (among resent state and the rest).
bool WaitForMessage(SimMidiPort& port, const std::vector<uint8_t>& bytes) {
    for (size_t seen = 0;;) {
        const auto received = port.received();
        for (; seen < received.size(); ++seen)
            if (received[seen].bytes == bytes) return true;
        if (!port.WaitForReceived(seen + 1, kPatienceMs)) return false;
    }
}

TEST(Attachment, ControllerPluggedBeforeAnyStreamIsServedOnceCaptureRuns) {
    DriverRig rig;
    auto kv10 = rig.Plug("0100", "K1");
    EXPECT_EQ(rig.miniport->handlerCount(), 0u);  // no worker yet: nobody listens
    rig.OpenRunning(kDMusStreamMidiCapture);
    ASSERT_EQ(rig.miniport->handlerCount(), 1u);
    EXPECT_TRUE(rig.AllReadersRunning());

    ASSERT_TRUE(kv10->WaitForBlockedRead(kPatienceMs));
    kv10->Deliver(Kv10Report(0));  // sets the starting position
    rig.clock->set(7'777'000);
    kv10->Deliver(Kv10Report(0x0800));
    ASSERT_TRUE(WaitForMessage(*rig.port, {0xB0, 0x10, 0x04}));
    EXPECT_EQ(rig.port->received().back().time, 7'777'000);
}

TEST(Attachment, SecondArrivalOfAPathMakesNoSecondHandler) {
    DriverRig rig;
    rig.Plug("0300", "A1");
    const int capture = rig.OpenRunning(kDMusStreamMidiCapture);
    ASSERT_EQ(rig.miniport->handlerCount(), 1u);
    // The worker stops and starts again; the registration reports the controller anew.
    ASSERT_EQ(rig.port->SetState(capture, KsState::Pause), kStatusSuccess);
    EXPECT_FALSE(rig.miniport->workerRunning());
    EXPECT_FALSE(rig.AnyReaderRunning());
    ASSERT_EQ(rig.port->SetState(capture, KsState::Run), kStatusSuccess);
    EXPECT_EQ(rig.miniport->handlerCount(), 1u);
    EXPECT_TRUE(rig.AllReadersRunning());
}

TEST(Attachment, TwoControllersOfOneModelAndInterfacesThatAreNotOurs) {
    DriverRig rig;
    rig.OpenRunning(kDMusStreamMidiCapture);
    rig.Plug("0300", "A1");
    rig.Plug("0300", "A2");
    EXPECT_EQ(rig.miniport->handlerCount(), 2u);
    rig.bus.Plug("\\\\?\\HID#VID_046D&PID_C52B&MI_00#mouse", "M");
    const std::string odd = SimHidBus::PathFor("0202", "odd");
    rig.bus.SetProbeAnswer(odd,
                           HidProbe{kFileDeviceUnknown, "{00000000-0000-0000-0000-000000000000}"});
    rig.bus.Unplug(odd);  // unknown path: nothing happens
    const std::string kv5 = SimHidBus::PathFor("0202", "K5");
    rig.bus.Plug(kv5, "K5");
    EXPECT_EQ(rig.miniport->handlerCount(), 3u);
    rig.bus.Unplug(kv5);
    EXPECT_EQ(rig.miniport->handlerCount(), 2u);
}

TEST(Attachment, ProbeRejectsOtherClassesAndDeviceTypes) {
    DriverRig rig;
    const std::string path = SimHidBus::PathFor("0100", "K1");
    rig.bus.SetProbeAnswer(path,
                           HidProbe{kFileDeviceUnknown, "{4d36e96c-e325-11ce-bfc1-08002be10318}"});
    const std::string other = SimHidBus::PathFor("0202", "K5");
    rig.bus.SetProbeAnswer(other, HidProbe{0x2D, GuidInBraces(kHidSetupClassGuid)});
    rig.bus.Plug(path, "K1");
    rig.bus.Plug(other, "K5");
    rig.OpenRunning(kDMusStreamMidiCapture);
    EXPECT_EQ(rig.miniport->handlerCount(), 0u);
}

TEST(Attachment, UnpluggingWhileTheReaderIsBlockedRemovesTheHandler) {
    DriverRig rig;
    auto kv10 = rig.Plug("0100", "K1");
    rig.OpenRunning(kDMusStreamMidiCapture);
    ASSERT_TRUE(kv10->WaitForBlockedRead(kPatienceMs));
    ASSERT_TRUE(rig.bus.Unplug(kv10->path()));
    EXPECT_EQ(rig.miniport->handlerCount(), 0u);
    EXPECT_FALSE(rig.miniport->timerArmed());
}

TEST(Attachment, StoppingCaptureDoesNotWaitForTheUser) {
    DriverRig rig;
    auto kv10 = rig.Plug("0100", "K1");
    const int capture = rig.OpenRunning(kDMusStreamMidiCapture);
    ASSERT_TRUE(kv10->WaitForBlockedRead(kPatienceMs));
    // No report ever comes; the stop cancels the read instead of waiting for one.
    ASSERT_EQ(rig.port->SetState(capture, KsState::Stop), kStatusSuccess);
    EXPECT_FALSE(rig.AnyReaderRunning());
    EXPECT_EQ(rig.miniport->handlerCount(), 1u);  // handlers stay while the controller does
}

TEST(Attachment, ThreeFailedReadsInARowEndTheReader) {
    DriverRig rig;
    auto kv10 = rig.Plug("0100", "K1");
    rig.OpenRunning(kDMusStreamMidiCapture);
    ASSERT_TRUE(kv10->WaitForBlockedRead(kPatienceMs));
    // Two failures, a good report, two failures: never three in a row.
    kv10->FailReads(2);
    ASSERT_TRUE(kv10->WaitForReads(2, kPatienceMs));
    kv10->Deliver(Kv10Report(0));
    ASSERT_TRUE(kv10->WaitForReads(3, kPatienceMs));
    kv10->FailReads(2);
    ASSERT_TRUE(kv10->WaitForReads(5, kPatienceMs));
    ASSERT_TRUE(kv10->WaitForBlockedRead(kPatienceMs));
    EXPECT_TRUE(rig.AllReadersRunning());
    kv10->FailReads(1);
    bool ended = false;
    rig.miniport->ForEachHandler([&](HandlerFrame& f) { ended = f.WaitForReaderEnd(kPatienceMs); });
    EXPECT_TRUE(ended);
    EXPECT_EQ(rig.miniport->handlerCount(), 1u);
}

TEST(Attachment, TimerRunsOnlyWithHandlersAndRunningCapture) {
    DriverRig rig;
    const int render = rig.OpenRunning(kDMusStreamMidiRender);
    auto ardo = rig.Plug("0300", "A1");
    EXPECT_EQ(rig.miniport->handlerCount(), 1u);
    EXPECT_FALSE(rig.timer.armed());  // render alone does not need the tick
    const int capture = rig.OpenRunning(kDMusStreamMidiCapture);
    EXPECT_TRUE(rig.timer.armed());
    EXPECT_EQ(rig.timer.firstDueMs(), 5u);
    EXPECT_EQ(rig.timer.periodMs(), 5u);
    EXPECT_TRUE(rig.timer.Fire());
    ASSERT_EQ(rig.port->SetState(capture, KsState::Pause), kStatusSuccess);
    EXPECT_FALSE(rig.timer.armed());
    ASSERT_EQ(rig.port->SetState(capture, KsState::Run), kStatusSuccess);
    EXPECT_TRUE(rig.timer.armed());
    rig.bus.Unplug(ardo->path());
    EXPECT_FALSE(rig.timer.armed());
    rig.port->Close(render);
}

TEST(Attachment, RenderedNotesLightTheControllerAndTheLastRenderCloseResetsIt) {
    DriverRig rig;
    Event lit(true);
    rig.bus.SetWriteListener([&](const std::string&, const SimController::Report& report) {
        if (report.size() > 1 && report[1] == 0x16) lit.set();
    });
    rig.Plug("0300", "A1");
    const int first = rig.OpenRunning(kDMusStreamMidiRender);
    const int second = rig.OpenRunning(kDMusStreamMidiRender);
    rig.OpenRunning(kDMusStreamMidiCapture);
    // Flags 0 (incomplete) is skipped; the complete note lights the first LED.
    ASSERT_EQ(rig.port->Send(first, {RenderEventItem{0, 0, {0x90, 0x3C, 0x7F}, {}}}), 0);
    ASSERT_EQ(
        rig.port->Send(first, {RenderEventItem{kDMusEventStructured, 0, {0x90, 0x3C, 0x7F}, {}}}),
        0);
    EXPECT_TRUE(lit.wait(kPatienceMs));

    auto outputEnabled = [&] {
        bool enabled = false;
        rig.miniport->ForEachHandler([&](HandlerFrame& f) {
            enabled = static_cast<ArdoHandlerAbs&>(f.handler()).outputEnabled();
        });
        return enabled;
    };
    EXPECT_TRUE(outputEnabled());
    rig.port->Close(first);
    EXPECT_TRUE(outputEnabled());  // one render stream is still open
    rig.port->Close(second);
    EXPECT_FALSE(outputEnabled());
}

// An application that sends its last lights and closes at once: whether the worker has
// drained them and whether the writer has run yet, they reach the device exactly once.
TEST(Attachment, LastRenderCloseRightAfterABatchWritesItOnce) {
    DriverRig rig;
    std::shared_ptr<SimController> ardo = rig.Plug("0300", "A1");
    const int render = rig.OpenRunning(kDMusStreamMidiRender);
    ASSERT_EQ(
        rig.port->Send(render, {RenderEventItem{kDMusEventStructured, 0, {0x90, 0x3C, 0x3F}, {}},
                                RenderEventItem{kDMusEventStructured, 0, {0xB0, 0x40, 0x20}, {}}}),
        0);
    rig.port->Close(render);
    auto count = [&](uint8_t command) {
        size_t n = 0;
        for (const SimController::Report& report : ardo->written())
            n += report.size() > 1 && report[1] == command ? 1 : 0;
        return n;
    };
    EXPECT_EQ(count(22), 1u) << "group 2 with LED 0 lit";
    EXPECT_EQ(count(6), 1u) << "the deck value";
    const size_t written = ardo->written().size();
    rig.clock->advanceMs(3000);
    rig.timer.Fire();
    EXPECT_EQ(ardo->written().size(), written);
}

TEST(Attachment, BlinkingLedKeepsTogglingWithoutFurtherMidi) {
    DriverRig rig;
    Event groupSent(false);
    rig.bus.SetWriteListener([&](const std::string&, const SimController::Report& report) {
        if (report.size() > 1 && report[1] == 0x16) groupSent.set();
    });
    rig.Plug("0300", "A1");
    const int render = rig.OpenRunning(kDMusStreamMidiRender);
    rig.OpenRunning(kDMusStreamMidiCapture);
    ASSERT_EQ(
        rig.port->Send(render, {RenderEventItem{kDMusEventStructured, 0, {0x90, 0x3C, 0x07}, {}}}),
        0);
    ASSERT_TRUE(groupSent.wait(kPatienceMs));
    // Nothing wakes the writer from here on: only its own 20 ms timer can notice that a
    // blink tick has passed and send the toggled LED.
    for (int toggle = 0; toggle < 2; ++toggle) {
        rig.clock->advanceMs(160);
        EXPECT_TRUE(groupSent.wait(kPatienceMs)) << "toggle " << toggle;
    }
}

}  // namespace
}  // namespace qmt::test
