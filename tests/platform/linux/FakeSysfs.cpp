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
    fs::create_directories(sysRoot_ + "/class/sound");
    Write(UsbFolder("") + "/idVendor", "1d6b\n");  // the root hub
}

std::string FakeSysfs::UsbFolder(const std::string& port) const {
    const std::string hub = sysRoot_ + "/devices/pci0000:00/0000:00:14.0/usb1";
    if (port.empty()) return hub;
    // "1-2.1" sits below "1-2" as on a real hub.
    const size_t dot = port.find_last_of('.');
    return dot == std::string::npos ? hub + "/" + port
                                    : UsbFolder(port.substr(0, dot)) + "/" + port;
}

void FakeSysfs::AddUsbDevice(const std::string& port, int interfaces, uint16_t vendor,
                             uint16_t product, const std::string& serial, unsigned deviceClass) {
    const std::string device = UsbFolder(port);
    char text[8];
    std::snprintf(text, sizeof text, "%04x", vendor);
    Write(device + "/idVendor", std::string(text) + "\n");
    std::snprintf(text, sizeof text, "%04x", product);
    Write(device + "/idProduct", std::string(text) + "\n");
    std::snprintf(text, sizeof text, "%02x", deviceClass);
    Write(device + "/bDeviceClass", std::string(text) + "\n");
    Write(device + "/bNumInterfaces", " " + std::to_string(interfaces) + "\n");
    Write(device + "/devpath", port.substr(port.find('-') + 1) + "\n");
    if (!serial.empty()) Write(device + "/serial", serial + "\n");
}

void FakeSysfs::AddAudio(int card, const std::string& port, int interface, bool playback,
                         bool capture) {
    const std::string usbInterface =
        UsbFolder(port) + "/" + port + ":1." + std::to_string(interface);
    char number[8];
    std::snprintf(number, sizeof number, "%02X", interface);
    Write(usbInterface + "/bInterfaceNumber", std::string(number) + "\n");
    Write(usbInterface + "/bInterfaceClass", "01\n");
    const std::string sound = usbInterface + "/sound/card" + std::to_string(card);
    Write(sound + "/uevent", "\n");
    fs::create_directory_symlink("../..", sound + "/device");
    fs::create_directory_symlink(sound, sysRoot_ + "/class/sound/card" + std::to_string(card));
    const std::string pcm = sysRoot_ + "/class/sound/pcmC" + std::to_string(card) + "D0";
    if (playback) fs::create_directories(pcm + "p");
    if (capture) fs::create_directories(pcm + "c");
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
    const std::string device = UsbFolder(port);
    if (!fs::exists(device + "/idVendor")) AddUsbDevice(port, interfaces, vendor, product, uniq);
    char number[8];
    std::snprintf(number, sizeof number, "%02X", interface);
    const std::string usbInterface = device + "/" + port + ":1." + std::to_string(interface);
    Write(usbInterface + "/bInterfaceNumber", std::string(number) + "\n");
    Write(usbInterface + "/bInterfaceClass", "03\n");
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
