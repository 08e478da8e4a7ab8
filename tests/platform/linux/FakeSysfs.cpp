#include "FakeSysfs.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace qmt::test {

namespace fs = std::filesystem;

namespace {
void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}
}  // namespace

FakeSysfs::FakeSysfs() {
    std::string pattern = (fs::temp_directory_path() / "qmt-sysfs-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : "";
    sysRoot_ = root_ + "/sys";
    devRoot_ = root_ + "/dev";
    fs::create_directories(sysRoot_ + "/class/hidraw");
    fs::create_directories(devRoot_);
}

FakeSysfs::~FakeSysfs() {
    std::error_code ignored;
    if (!root_.empty()) fs::remove_all(root_, ignored);
}

void FakeSysfs::AddHid(const std::string& name, const std::string& parent, uint16_t vendor,
                       uint16_t product, const std::string& uniq, int sequence) {
    char hidName[32], hidId[40];
    std::snprintf(hidName, sizeof hidName, "0003:%04X:%04X.%04X", vendor, product, sequence);
    std::snprintf(hidId, sizeof hidId, "HID_ID=0003:0000%04X:0000%04X", vendor, product);
    const std::string hid = parent + "/" + hidName;
    Write(hid + "/uevent", std::string(hidId) + "\nHID_NAME=QMT\nHID_UNIQ=" + uniq + "\n");
    const std::string node = hid + "/hidraw/" + name;
    Write(node + "/uevent", "MAJOR=243\nMINOR=0\nDEVNAME=" + name + "\n");
    fs::create_directory_symlink("../..", node + "/device");
    fs::create_directory_symlink(node, sysRoot_ + "/class/hidraw/" + name);
}

void FakeSysfs::AddUsb(const std::string& name, const std::string& port, int interface,
                       int interfaces, uint16_t vendor, uint16_t product, const std::string& uniq,
                       int sequence) {
    const std::string device = sysRoot_ + "/devices/pci0000:00/0000:00:14.0/usb1/" + port;
    Write(device + "/bNumInterfaces", " " + std::to_string(interfaces) + "\n");
    char number[8];
    std::snprintf(number, sizeof number, "%02X", interface);
    const std::string usbInterface = device + "/" + port + ":1." + std::to_string(interface);
    Write(usbInterface + "/bInterfaceNumber", std::string(number) + "\n");
    AddHid(name, usbInterface, vendor, product, uniq, sequence);
}

void FakeSysfs::AddUhid(const std::string& name, uint16_t vendor, uint16_t product,
                        const std::string& uniq, int sequence) {
    AddHid(name, sysRoot_ + "/devices/virtual/misc/uhid", vendor, product, uniq, sequence);
}

void FakeSysfs::Remove(const std::string& name) {
    const fs::path link = sysRoot_ + "/class/hidraw/" + name;
    const fs::path target = fs::read_symlink(link);
    fs::remove(link);
    std::error_code ignored;
    fs::remove_all(target.parent_path().parent_path(), ignored);  // the HID device
}

std::string FakeSysfs::MakeNode(const std::string& name) {
    const std::string node = devRoot_ + "/" + name;
    ::mkfifo(node.c_str(), 0600);
    return node;
}

}  // namespace qmt::test
