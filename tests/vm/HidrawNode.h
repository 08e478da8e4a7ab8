#pragma once
// The host program's view of a controller: its /dev/hidrawN node, opened the way a
// hidraw backend opens it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmt::vm {

struct HidrawIds {
    uint32_t bus = 0;
    uint16_t vendor = 0;
    uint16_t product = 0;
};

class HidrawNode {
  public:
    // Opens the node for reading and writing; check isOpen() and error().
    explicit HidrawNode(const std::string& path);
    ~HidrawNode();
    HidrawNode(const HidrawNode&) = delete;
    HidrawNode& operator=(const HidrawNode&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

    std::optional<HidrawIds> ids();
    std::optional<std::string> uniq();

    // One report as read() returns it (no report number for devices without report ids);
    // nullopt on time-out or error (error() tells which).
    std::optional<std::vector<uint8_t>> read(std::chrono::milliseconds timeout);
    // Writes one report; byte 0 is the report number.
    bool write(const std::vector<uint8_t>& report);

  private:
    int fd_ = -1;
    std::string error_;
};

}  // namespace qmt::vm
