#include "driver/qmtmidi/BuiltInSession.h"

#include <vector>

#include "driver/qmtmidi/MidiText.h"
#include "model/Catalogue.h"
#include "platform/sim/SimulatedDesktop.h"

namespace qmt {

namespace {

// Builds one input report in the model's layout.
class Report {
  public:
    explicit Report(size_t length) : bytes_(length, 0) {}
    Report& u8(size_t at, uint8_t v) { return bytes_[at] = v, *this; }
    Report& u16(size_t at, uint16_t v) {
        bytes_[at] = v & 0xFF;
        bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
        return *this;
    }
    Report& u32(size_t at, uint32_t v) { return u16(at, v & 0xFFFF).u16(at + 2, v >> 16); }
    // The bit of a button in a field that numbers buttons by their place in the model's list.
    Report& button(size_t at, uint8_t model, size_t index) {
        const ModelControls* controls = ControlsOf(model);
        const uint8_t slot = controls->buttonSlot[controls->buttons[index]];
        bytes_[at + slot / 8] |= static_cast<uint8_t>(1u << (slot % 8));
        return *this;
    }
    std::string text() const { return HexBytes(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

Report Kv10(uint16_t slider) {
    return Report(11).u16(5, slider);
}
Report Kv5(uint16_t slider, uint32_t time) {
    return Report(17).u32(6, time).u16(10, slider);
}
Report Ardo(uint16_t slider, uint32_t time) {
    return Report(65).u8(2, 53).u32(7, time).u16(45, slider);
}
Report ArdoRaw(uint16_t slider, uint32_t time) {
    Report r(65);
    r.u8(2, 53).u32(3, time).u16(12, slider).u8(48, 0xFF);
    for (size_t pad = 0; pad < 4; ++pad)
        r.u16(16 + 2 * pad, 0xFFFF);
    return r;
}

// The serial of the simulated desktop's controller of this model, so that the session's
// controllers are the ones the other programs see when they simulate.
std::string SerialOf(SimControllerModel model) {
    for (const SimulatedController& controller : SimulatedDesktopControllers())
        if (controller.model == model) return controller.serial;
    return {};
}

std::string Line(const std::string& command, int t, const Report& report) {
    return command + " " + std::to_string(t) + " " + report.text() + "\n";
}

}  // namespace

std::string BuiltInSession() {
    const std::string kv10 = SerialOf(SimControllerModel::Kv10);
    const std::string kv5 = SerialOf(SimControllerModel::Kv5);
    const std::string ardo = SerialOf(SimControllerModel::Ardo);
    const std::string raw = SerialOf(SimControllerModel::ArdoRaw);
    std::string s = "# The built-in session: each model, hot-plug, lights and a reload.\n";
    s += "plug kv10 " + kv10 + "\n";
    s += Line("report", 200, Kv10(0));  // the first report sets the starting positions
    s += Line("report", 300, Kv10(0x0800));
    s += Line("report", 400, Kv10(0x0FFF));
    s += Line("report", 500, Kv10(0x0FFF).u8(7, 0x02));  // a button down
    s += Line("report", 600, Kv10(0x0FFF));              // and up
    s += "plug kv5 " + kv5 + "\n";
    s += Line("report", 900, Kv5(0, 1000));
    s += Line("report", 1000, Kv5(0x0800, 2000));
    s += Line("report", 1100, Kv5(0x0800, 3000).button(12, kModelKv5, 0));
    s += Line("report", 1200, Kv5(0x0800, 4000));
    s += "unplug " + kv10 + "   # hot-unplug: its handler goes, the others carry on\n";
    s += "plug ardo " + ardo + "\n";
    s += Line("report", 1600, Ardo(0, 100));
    s += Line("report", 1700, Ardo(0x0400, 200));
    s += Line("report", 1800, Ardo(0x0400, 300).button(47, kModelArdo, 0));
    s += Line("report", 1900, Ardo(0x0400, 400));
    s += "# the application lights the first button LED for one deck, a blinking one for the\n";
    s += "# other, moves the ring position indicator and turns the first LED off again\n";
    s += "midi 2100 90 3C 3F\n";
    s += "midi 2200 91 3D 07\n";
    s += "midi 2400 90 66 10\n";
    s += "midi 2600 90 3C 00\n";
    s += "plug ardo-raw " + raw + "\n";
    s += Line("report", 2800, ArdoRaw(0, 100));
    s += Line("report", 2900, ArdoRaw(0x0400, 200));
    s += Line("report", 3000, ArdoRaw(0x0400, 300).button(49, kModelArdoRaw, 0));
    s += Line("report", 3100, ArdoRaw(0x0400, 400));
    s += "reload 3400   # the configuration program saved the mapping\n";
    s += "use " + kv5 + "\n";
    s += Line("report", 3700, Kv5(0x0800, 5000));  // sets positions again after the reload
    s += Line("report", 3800, Kv5(0x0C00, 6000));
    s += "resend 4000   # the application reconnects and gets the controller state again\n";
    s += "unplug " + kv5 + "\n";
    s += "unplug " + ardo + "\n";
    s += "unplug " + raw + "\n";
    s += "idle 4300\n";
    return s;
}

}  // namespace qmt
