// Reloading the mapping and the control codes, in the caller's thread and over the socket.

#include <gtest/gtest.h>

#include <thread>

#include "DriverRig.h"
#include "devices/FindMidiDriver.h"
#include "driver/ControlDispatch.h"
#include "driver/DriverStatus.h"
#include "platform/ControlChannel.h"

namespace qmt::test {
namespace {

TEST(Reload, WithoutStreamsDropsTheMappingUntilTheNextStream) {
    DriverRig rig;
    const int capture = rig.OpenRunning(kDMusStreamMidiCapture);
    rig.Plug("0100", "K1");
    EXPECT_TRUE(rig.miniport->mappingLoaded());
    rig.port->Close(capture);
    EXPECT_TRUE(rig.miniport->mappingLoaded());
    ASSERT_EQ(DispatchDeviceControl(kIoctlReloadMapping, 0, 0).status, kStatusSuccess);
    EXPECT_FALSE(rig.miniport->mappingLoaded());
    rig.port->Open(kDMusStreamMidiRender);
    EXPECT_TRUE(rig.miniport->mappingLoaded());
}

TEST(Reload, WithStreamsButNoCaptureConnectedLeavesReadersStopped) {
    DriverRig rig;
    rig.Plug("0100", "K1");
    const int capture = rig.OpenRunning(kDMusStreamMidiCapture, false);
    EXPECT_TRUE(rig.AllReadersRunning());
    rig.miniport->Reload();
    EXPECT_FALSE(rig.AnyReaderRunning());
    EXPECT_TRUE(rig.miniport->mappingLoaded());
    // Readers start again when running capture next rises from zero.
    ASSERT_EQ(rig.port->SetState(capture, KsState::Pause), kStatusSuccess);
    ASSERT_EQ(rig.port->SetState(capture, KsState::Run), kStatusSuccess);
    EXPECT_TRUE(rig.AllReadersRunning());
}

TEST(Reload, WithCaptureConnectedRestartsTheReaders) {
    DriverRig rig;
    rig.Plug("0300", "A1");
    rig.Plug("0100", "K1");
    rig.OpenRunning(kDMusStreamMidiCapture);
    rig.OpenRunning(kDMusStreamMidiRender);
    rig.miniport->Reload();
    EXPECT_TRUE(rig.AllReadersRunning());
    EXPECT_EQ(rig.miniport->handlerCount(), 2u);
}

TEST(Reload, WithStreamsThatDoNotRunNeedsNoWorker) {
    DriverRig rig;
    rig.port->Open(kDMusStreamMidiCapture);
    EXPECT_FALSE(rig.miniport->workerRunning());
    rig.miniport->Reload();  // must not wait for a worker that is not there
    EXPECT_TRUE(rig.miniport->mappingLoaded());
}

TEST(Reload, TwoReloadsAtOnceBothFinish) {
    DriverRig rig;
    auto kv10 = rig.Plug("0100", "K1");
    rig.OpenRunning(kDMusStreamMidiCapture);
    std::thread other([&] { rig.miniport->Reload(); });
    rig.miniport->Reload();
    other.join();
    EXPECT_TRUE(rig.miniport->mappingLoaded());
    EXPECT_TRUE(rig.AllReadersRunning());
    // The handler works with the mapping that survived.
    ASSERT_TRUE(kv10->WaitForBlockedRead(kPatienceMs));
    kv10->Deliver(Kv10Report(0));
    kv10->Deliver(Kv10Report(0x0FFF));
    ASSERT_TRUE(kv10->WaitForReads(2, kPatienceMs));
}

TEST(ControlCodes, WrongBufferLengthsAndOtherCodes) {
    DriverRig rig;
    EXPECT_EQ(DispatchDeviceControl(kIoctlReloadMapping, 1, 0).status, kStatusInvalidParameter);
    EXPECT_EQ(DispatchDeviceControl(kIoctlReloadMapping, 0, 4).status, kStatusInvalidParameter);
    EXPECT_EQ(DispatchDeviceControl(kIoctlPortsInUse, 0, 2).status, kStatusInvalidParameter);
    EXPECT_EQ(DispatchDeviceControl(kIoctlPortsInUse, 0, 0).status, kStatusInvalidParameter);
    EXPECT_EQ(DispatchDeviceControl(kIoctlPortsInUse, 1, 1).status, kStatusInvalidParameter);
    EXPECT_EQ(DispatchDeviceControl(0xB4302D08, 0, 0).status, kStatusInvalidDeviceRequest);
}

TEST(ControlCodes, InUseAnswersOverTheSocket) {
    DriverRig rig;
    ControlServer server;
    std::string error;
    ASSERT_TRUE(server.Start(
        rig.folder.file("control"),
        [](const ControlRequest& r) {
            const ControlResult result = DispatchDeviceControl(
                r.code, static_cast<uint32_t>(r.input.size()), r.outputLength);
            return ControlAnswer{result.status, result.information, result.output};
        },
        error))
        << error;
    auto ask = [&](uint32_t length) {
        return SendControlRequest(server.path(), ControlRequest{kIoctlPortsInUse, {}, length});
    };
    const int capture = rig.port->Open(kDMusStreamMidiCapture);
    rig.port->Open(kDMusStreamMidiRender);
    auto answer = ask(1);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, kStatusSuccess);
    EXPECT_EQ(answer->information, 1u);
    EXPECT_EQ(answer->output, std::vector<uint8_t>{0});  // streams exist, none connected
    ASSERT_EQ(rig.port->Connect(capture), kStatusSuccess);
    EXPECT_EQ(ask(1)->output, std::vector<uint8_t>{1});
    answer = ask(2);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, kStatusInvalidParameter);
    EXPECT_TRUE(answer->output.empty());
    // A second service must not take over the socket of a live one.
    ControlServer second;
    EXPECT_FALSE(second.Start(server.path(), nullptr, error));
    server.Stop();
    EXPECT_FALSE(ControlServerListening(rig.folder.file("control")));
}

TEST(ControlCodes, NotifyMidiDriverReachesTheRunningDriverOnly) {
    DriverRig rig;
    setenv("XDG_RUNTIME_DIR", rig.folder.path().c_str(), 1);
    EXPECT_FALSE(FindMidiDriver());
    NotifyMidiDriver();  // no driver: silently nothing
    const int capture = rig.port->Open(kDMusStreamMidiCapture);
    rig.port->Close(capture);
    ASSERT_TRUE(rig.miniport->mappingLoaded());

    ControlServer server;
    std::string error;
    ASSERT_TRUE(server.Start(
        DefaultControlSocketPath(),
        [](const ControlRequest& r) {
            const ControlResult result = DispatchDeviceControl(
                r.code, static_cast<uint32_t>(r.input.size()), r.outputLength);
            return ControlAnswer{result.status, result.information, result.output};
        },
        error))
        << error;
    EXPECT_EQ(FindMidiDriver(), server.path());
    // The reload runs before the answer comes back: without streams it drops the mapping.
    NotifyMidiDriver();
    EXPECT_FALSE(rig.miniport->mappingLoaded());
}

}  // namespace
}  // namespace qmt::test
