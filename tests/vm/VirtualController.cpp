#include "VirtualController.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace qmt::vm {

namespace {

using Clock = std::chrono::steady_clock;

void CopyText(uint8_t* target, size_t capacity, const std::string& text) {
    const size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), length);
    target[length] = 0;
}

bool WriteEvent(int fd, const uhid_event& event) {
    return ::write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event);
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The "HID_ID=0003:0000F7E1:00000100" line the kernel writes for a USB HID device.
std::string HidIdLine(uint16_t vendor, uint16_t product) {
    char line[64];
    std::snprintf(line, sizeof line, "HID_ID=0003:%08X:%08X\n", vendor, product);
    return line;
}

}  // namespace

VirtualController::VirtualController(const ControllerModel& model, std::string serial, int fd)
    : model_(model), serial_(std::move(serial)), fd_(fd) {}

std::unique_ptr<VirtualController> VirtualController::Plug(const ControllerModel& model,
                                                           const std::string& serial,
                                                           std::string& error) {
    const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot open /dev/uhid: ") + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<VirtualController> controller(new VirtualController(model, serial, fd));
    if (!controller->create(error)) return nullptr;
    return controller;
}

bool VirtualController::create(std::string& error) {
    const std::vector<uint8_t> descriptor = model_.reportDescriptor();
    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req& request = event.u.create2;
    CopyText(request.name, sizeof request.name, "QMT " + model_.name);
    CopyText(request.phys, sizeof request.phys, "qmt-vm-test/" + serial_);
    CopyText(request.uniq, sizeof request.uniq, serial_);
    request.rd_size = static_cast<uint16_t>(descriptor.size());
    request.bus = 0x03;  // USB
    request.vendor = kQmtVendorId;
    request.product = model_.productId;
    request.version = 0x0100;
    std::copy(descriptor.begin(), descriptor.end(), request.rd_data);
    if (!WriteEvent(fd_, event)) {
        error = std::string("UHID_CREATE2 failed: ") + std::strerror(errno);
        return false;
    }
    return true;
}

VirtualController::~VirtualController() {
    unplug();
}

void VirtualController::unplug() {
    if (fd_ < 0) return;
    uhid_event event{};
    event.type = UHID_DESTROY;
    WriteEvent(fd_, event);
    ::close(fd_);
    fd_ = -1;
    openCount_ = 0;
}

std::string VirtualController::waitForHidraw(std::chrono::milliseconds timeout) {
    namespace fs = std::filesystem;
    const std::string idLine = HidIdLine(kQmtVendorId, model_.productId);
    const std::string uniqLine = "HID_UNIQ=" + serial_ + "\n";
    const auto deadline = Clock::now() + timeout;
    do {
        pump(std::chrono::milliseconds(0));
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator("/sys/class/hidraw", ignored)) {
            const std::string uevent = ReadText(entry.path() / "device" / "uevent");
            const fs::path node = fs::path("/dev") / entry.path().filename();
            if (uevent.find(idLine) != std::string::npos &&
                uevent.find(uniqLine) != std::string::npos && fs::exists(node))
                return node.string();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (Clock::now() < deadline);
    return {};
}

bool VirtualController::sendInputReport(const std::vector<uint8_t>& report) {
    if (fd_ < 0 || report.size() != model_.inputReportLength || report[0] != 0) return false;
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<uint16_t>(report.size() - 1);
    std::copy(report.begin() + 1, report.end(), event.u.input2.data);
    return WriteEvent(fd_, event);
}

bool VirtualController::sendRawInputReport(const std::vector<uint8_t>& bytes) {
    if (fd_ < 0 || bytes.size() > UHID_DATA_MAX) return false;
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<uint16_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), event.u.input2.data);
    return WriteEvent(fd_, event);
}

std::optional<std::vector<uint8_t>> VirtualController::waitForOutputReport(
    std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (outputReports_.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !pump(left)) return std::nullopt;
    }
    std::vector<uint8_t> report = std::move(outputReports_.front());
    outputReports_.pop_front();
    return report;
}

bool VirtualController::waitUntilOpen(bool open, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (isOpen() != open) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !pump(left)) return false;
    }
    return true;
}

bool VirtualController::pump(std::chrono::milliseconds timeout) {
    if (fd_ < 0) return false;
    pollfd waiting{fd_, POLLIN, 0};
    if (::poll(&waiting, 1, static_cast<int>(timeout.count())) <= 0) return false;
    uhid_event event{};
    if (::read(fd_, &event, sizeof event) <= 0) return false;
    switch (event.type) {
        case UHID_OPEN:
            ++openCount_;
            break;
        case UHID_CLOSE:
            openCount_ = std::max(0, openCount_ - 1);
            break;
        case UHID_OUTPUT: {
            // hidraw passes the report number through, so this is already the documented layout.
            const uint8_t* data = event.u.output.data;
            outputReports_.emplace_back(data, data + event.u.output.size);
            break;
        }
        case UHID_GET_REPORT:
            answerReportRequest(UHID_GET_REPORT_REPLY, event.u.get_report.id);
            break;
        case UHID_SET_REPORT:
            answerReportRequest(UHID_SET_REPORT_REPLY, event.u.set_report.id);
            break;
        default:
            break;
    }
    return true;
}

// The controllers have no feature reports; refusing at once spares the kernel its
// five-second wait for an answer.
void VirtualController::answerReportRequest(uint32_t type, uint32_t id) {
    uhid_event reply{};
    reply.type = type;
    if (type == UHID_GET_REPORT_REPLY) {
        reply.u.get_report_reply.id = id;
        reply.u.get_report_reply.err = EIO;
    } else {
        reply.u.set_report_reply.id = id;
        reply.u.set_report_reply.err = EIO;
    }
    WriteEvent(fd_, reply);
}

}  // namespace qmt::vm
