#include "platform/linux/HidrawFile.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/linux/HidReportDescriptor.h"

namespace qmt {

namespace {

// The largest report hidraw hands out; a longer buffer lets a read see that a report is
// longer than the caller's.
constexpr size_t kMaxReport = 16384;
constexpr size_t kSerialBytes = 256;

bool DescriptorNumbersReports(int fd) {
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) != 0 || size <= 0) return false;
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<uint32_t>(std::min<int>(size, HID_MAX_DESCRIPTOR_SIZE));
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) != 0) return false;
    return UsesReportIds(std::span<const uint8_t>(descriptor.value, descriptor.size));
}

}  // namespace

HidrawFile::HidrawFile(int fd, bool numbered, std::string knownSerial)
    : fd_(fd),
      cancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      numbered_(numbered),
      knownSerial_(std::move(knownSerial)),
      buffer_(kMaxReport) {}

HidrawFile::~HidrawFile() {
    if (fd_ >= 0) ::close(fd_);
    if (cancel_ >= 0) ::close(cancel_);
}

std::unique_ptr<HidrawFile> HidrawFile::Open(const std::string& node, bool forWriting,
                                             const std::string& knownSerial) {
    const int fd =
        ::open(node.c_str(), (forWriting ? O_WRONLY : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<HidrawFile>(fd, DescriptorNumbersReports(fd), knownSerial);
}

bool HidrawFile::WaitReadable() {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {cancel_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            (void)!::read(cancel_, &count, sizeof count);  // one cancel fails one read
            return false;
        }
        if (fds[0].revents & POLLIN) return true;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
    }
}

bool HidrawFile::Read(std::span<uint8_t> report) {
    if (fd_ < 0 || cancel_ < 0 || report.empty()) return false;
    for (;;) {
        if (!WaitReadable()) return false;
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;  // EIO or ENODEV: the device has gone
        const size_t offset = numbered_ ? 0 : 1;
        // A report of another length is skipped, and the read waits for the next one. Failing
        // the read instead would count as the device failing: three such reports in a row
        // (a glitch on the cable) would end the reader and silence a working controller.
        if (static_cast<size_t>(n) + offset != report.size()) {
            if (diagnostics_ && !toldWrongLength_)
                diagnostics_("reports of " + std::to_string(n) + " bytes, expected " +
                             std::to_string(report.size() - offset) + ": ignored");
            toldWrongLength_ = true;
            continue;
        }
        if (!numbered_) report[0] = 0;
        std::copy_n(buffer_.begin(), n, report.begin() + static_cast<ptrdiff_t>(offset));
        return true;
    }
}

void HidrawFile::CancelRead() {
    const uint64_t one = 1;
    (void)!::write(cancel_, &one, sizeof one);
}

bool HidrawFile::Write(std::span<const uint8_t> report) {
    if (fd_ < 0 || report.empty()) return false;
    for (;;) {
        const ssize_t n = ::write(fd_, report.data(), report.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd fd{fd_, POLLOUT, 0};
            if (::poll(&fd, 1, -1) < 0 && errno != EINTR) return false;
            if (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
            continue;
        }
        return n == static_cast<ssize_t>(report.size());
    }
}

bool HidrawFile::SerialNumber(std::string& serial) {
    char text[kSerialBytes] = {};
    const int n = ::ioctl(fd_, HIDIOCGRAWUNIQ(kSerialBytes), text);
    if (n >= 0) {
        serial.assign(text, strnlen(text, sizeof text));
        return true;
    }
    // Kernels before the uniq request: sysfs knew the string when the node was found. A
    // node that is gone answers nothing.
    if (errno == ENODEV || errno == EIO) return false;
    serial = knownSerial_;
    return true;
}

}  // namespace qmt
