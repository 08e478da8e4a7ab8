#include "HidrawNode.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qmt::vm {

HidrawNode::HidrawNode(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) error_ = "cannot open " + path + ": " + std::strerror(errno);
}

HidrawNode::~HidrawNode() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<HidrawIds> HidrawNode::ids() {
    hidraw_devinfo info{};
    if (::ioctl(fd_, HIDIOCGRAWINFO, &info) < 0) {
        error_ = std::string("HIDIOCGRAWINFO: ") + std::strerror(errno);
        return std::nullopt;
    }
    return HidrawIds{info.bustype, static_cast<uint16_t>(info.vendor),
                     static_cast<uint16_t>(info.product)};
}

std::optional<std::string> HidrawNode::uniq() {
    char text[256] = {};
    if (::ioctl(fd_, HIDIOCGRAWUNIQ(sizeof text - 1), text) < 0) {
        error_ = std::string("HIDIOCGRAWUNIQ: ") + std::strerror(errno);
        return std::nullopt;
    }
    return std::string(text);
}

std::optional<std::vector<uint8_t>> HidrawNode::read(std::chrono::milliseconds timeout) {
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) {
        error_ = ready == 0 ? "no report in time" : std::string("poll: ") + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<uint8_t> report(4096);
    const ssize_t length = ::read(fd_, report.data(), report.size());
    if (length < 0) {
        error_ = std::string("read: ") + std::strerror(errno);
        return std::nullopt;
    }
    report.resize(static_cast<size_t>(length));
    return report;
}

bool HidrawNode::write(const std::vector<uint8_t>& report) {
    const ssize_t written = ::write(fd_, report.data(), report.size());
    if (written != static_cast<ssize_t>(report.size())) {
        error_ = std::string("write: ") + (written < 0 ? std::strerror(errno) : "short write");
        return false;
    }
    return true;
}

}  // namespace qmt::vm
