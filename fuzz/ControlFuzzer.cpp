// The control socket's messages, server side: request bytes arriving in pieces of any size
// go through the request parser and, once whole, to the driver's dispatch against a live
// miniport on the simulated platform (streams open, the factory mapping selected), so
// reloads really load the mapping and hand it to the device worker. Checked: every request is
// answered as the codes define (wrong lengths refused, unknown codes not the driver's, the in-use
// byte true), answers fit the wire, and bytes that cannot be a request are refused, not read.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "driver/ControlDispatch.h"
#include "driver/DriverStatus.h"
#include "driver/MidiMiniport.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/HiveRegistry.h"
#include "platform/sim/ManualPeriodicTimer.h"
#include "platform/sim/SimHidBus.h"
#include "platform/sim/SimMidiPort.h"
#include "presets/FactoryPresets.h"

namespace {

using namespace qmt;

// A reload loads the mapping's files and waits for the device worker thread, a hundred times
// the cost of everything else an input does; the requests around it reach every path of the
// parser and the dispatch, so one reload per input answers as the codes define.
constexpr int kMaxReloadsPerInput = 1;

// The driver with an application attached, made once and kept for the whole run. No
// controller is plugged: their reader threads would start and stop with every input and
// slow the run a hundredfold, and the reload with handlers is the driver tests' business.
struct LiveDriver {
    std::string folder;
    // The settings in memory: the registry files are not what this target reads.
    fuzz::HiveRegistry registry;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1'000'000);
    SimHidBus bus;
    ManualPeriodicTimer timer;
    std::unique_ptr<MidiMiniport> miniport;
    std::unique_ptr<SimMidiPort> port;
    int capture = 0;
    int render = 0;

    LiveDriver() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qmt-fuzz-control-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder = pattern;
        std::string mapping;
        if (!WriteFactorySet(folder, nullptr, &mapping)) std::abort();
        registry.setString(Hive::LocalMachine, kQmtMidiKey, kPresetPathValue, folder);
        registry.setString(Hive::CurrentUser, kQmtMidiKey, kSelectedMappingValue, mapping);
        miniport = std::make_unique<MidiMiniport>(MiniportServices{&registry, &bus, &bus, &timer});
        port = std::make_unique<SimMidiPort>(clock);
        port->SetMiniport(miniport.get());
        if (miniport->Init(port.get()) != kStatusSuccess) std::abort();
        capture = port->Open(kDMusStreamMidiCapture);
        render = port->Open(kDMusStreamMidiRender);
        port->Connect(render);
        port->SetState(render, KsState::Run);
    }

    // The input's first byte decides whether an application listens and captures.
    void Arrange(uint8_t scene) {
        port->ClearReceived();  // the state refresh of every reload lands here
        if (scene & 1) {
            port->Connect(capture);
        } else {
            port->Disconnect(capture);
        }
        port->SetState(capture, (scene & 2) ? KsState::Run : KsState::Pause);
    }
};

LiveDriver& Driver() {
    // Never destroyed: its threads may still be parked when the process ends.
    static LiveDriver* driver = new LiveDriver;
    return *driver;
}

void CheckAnswer(const ControlRequest& request, const ControlAnswer& answer) {
    const bool noInput = request.input.empty();
    if (request.code == kIoctlReloadMapping) {
        const bool wellFormed = noInput && request.outputLength == 0;
        QMT_FUZZ_CHECK(answer.status == (wellFormed ? kStatusSuccess : kStatusInvalidParameter));
        QMT_FUZZ_CHECK(answer.information == 0 && answer.output.empty());
    } else if (request.code == kIoctlPortsInUse) {
        const bool wellFormed = noInput && request.outputLength == 1;
        QMT_FUZZ_CHECK(answer.status == (wellFormed ? kStatusSuccess : kStatusInvalidParameter));
        // The render stream stays connected, so the ports are in use.
        if (wellFormed)
            QMT_FUZZ_CHECK(answer.information == 1 && answer.output == std::vector<uint8_t>{1});
    } else {
        QMT_FUZZ_CHECK(answer.status == kStatusInvalidDeviceRequest && answer.output.empty());
    }
    const std::vector<uint8_t> wire = EncodeControlAnswer(answer);
    QMT_FUZZ_CHECK(wire.size() == 12 + answer.output.size());
    QMT_FUZZ_CHECK(answer.output.size() <= kMaxControlBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LiveDriver& driver = Driver();
    fuzz::FuzzInput input(data, size);
    driver.Arrange(input.u8());
    int reloads = 0;
    auto parser = std::make_unique<ControlRequestParser>();
    while (!input.empty()) {
        // Each piece is what one read of the socket returns.
        const auto piece = input.take(size_t{input.u8()} + 1);
        size_t offset = 0;
        while (offset < piece.size()) {
            size_t used = 0;
            const auto state = parser->Feed(piece.data() + offset, piece.size() - offset, used);
            QMT_FUZZ_CHECK(used <= piece.size() - offset);
            offset += used;
            if (state == ControlRequestParser::State::NeedMore) continue;
            if (state == ControlRequestParser::State::Complete) {
                const ControlRequest& request = parser->request();
                QMT_FUZZ_CHECK(request.input.size() <= kMaxControlBytes);
                if (request.code != kIoctlReloadMapping || ++reloads <= kMaxReloadsPerInput)
                    CheckAnswer(request, AnswerControlRequest(request));
            }
            // The server closes the connection after one request or on garbage; the rest of
            // the piece is what the next client sends.
            parser = std::make_unique<ControlRequestParser>();
            if (used == 0) ++offset;
        }
    }
    return 0;
}
