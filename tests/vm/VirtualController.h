#pragma once
// A controller that exists only in the kernel: a /dev/uhid device with the model's ids,
// serial string and report layout. The kernel gives it a hidraw node like a USB device,
// so whatever reads controllers through hidraw cannot tell it from real hardware.

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ControllerModel.h"

namespace qmt::vm {

class VirtualController {
  public:
    // Plugs a controller in; null (with `error`) when /dev/uhid refuses it.
    static std::unique_ptr<VirtualController> Plug(const ControllerModel& model,
                                                   const std::string& serial, std::string& error);
    ~VirtualController();
    VirtualController(const VirtualController&) = delete;
    VirtualController& operator=(const VirtualController&) = delete;

    const ControllerModel& model() const { return model_; }
    const std::string& serial() const { return serial_; }

    // The /dev/hidrawN node the kernel made for this device; empty when none appeared in
    // time. Without udev the node appears a little after the device starts, so it is polled.
    std::string waitForHidraw(std::chrono::milliseconds timeout);

    // One input report in the documented layout: byte 0 is the report number 0, which is
    // not sent because the device declares no report ids.
    bool sendInputReport(const std::vector<uint8_t>& report);
    // Any bytes as one input report, whatever the descriptor says (a damaged controller).
    bool sendRawInputReport(const std::vector<uint8_t>& bytes);

    // The next output report a host program wrote, in the same layout (byte 0 = 0);
    // nullopt when none arrives in time.
    std::optional<std::vector<uint8_t>> waitForOutputReport(std::chrono::milliseconds timeout);

    // Whether some program has the hidraw node open (the kernel reports opens and closes).
    bool waitUntilOpen(bool open, std::chrono::milliseconds timeout);
    bool isOpen() const { return openCount_ > 0; }

    // Removes the device as pulling the cable would; readers of the node get an error.
    void unplug();
    bool plugged() const { return fd_ >= 0; }

  private:
    VirtualController(const ControllerModel& model, std::string serial, int fd);
    bool create(std::string& error);
    // Reads and handles one kernel event; false when none came in time.
    bool pump(std::chrono::milliseconds timeout);
    void answerReportRequest(uint32_t type, uint32_t id);

    ControllerModel model_;
    std::string serial_;
    int fd_ = -1;
    int openCount_ = 0;
    std::deque<std::vector<uint8_t>> outputReports_;
};

}  // namespace qmt::vm
