#pragma once
// A sysfs tree in a temporary folder, laid out as the kernel lays out hidraw nodes: the
// node's folder below its HID device, the HID device below a USB interface (or below uhid's
// misc device), and /class/hidraw/<name> linking to the node's folder.

#include <cstdint>
#include <string>

namespace qmt::test {

class FakeSysfs {
  public:
    FakeSysfs();
    ~FakeSysfs();
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    const std::string& sysRoot() const { return sysRoot_; }
    const std::string& devRoot() const { return devRoot_; }

    // A controller on USB port `port` (e.g. "1-1"), interface `interface` of a device with
    // `interfaces` interfaces; `sequence` numbers the HID device as the kernel does.
    void AddUsb(const std::string& name, const std::string& port, int interface, int interfaces,
                uint16_t vendor, uint16_t product, const std::string& uniq, int sequence);
    // A USB device without a HID function: a hub (class 09) or a sound card's device.
    void AddUsbDevice(const std::string& port, int interfaces, uint16_t vendor, uint16_t product,
                      const std::string& serial, unsigned deviceClass = 0);
    // An audio interface of a USB device with ALSA card `card` on it.
    void AddAudio(int card, const std::string& port, int interface, bool playback, bool capture);
    // A device made through /dev/uhid.
    void AddUhid(const std::string& name, uint16_t vendor, uint16_t product,
                 const std::string& uniq, int sequence);
    void Remove(const std::string& name);
    // A FIFO at the node's place in devRoot, so the node can be opened.
    std::string MakeNode(const std::string& name);

    std::string UsbFolder(const std::string& port) const;

  private:
    void AddHid(const std::string& name, const std::string& parent, uint16_t vendor,
                uint16_t product, const std::string& uniq, int sequence);

    std::string root_;
    std::string sysRoot_;
    std::string devRoot_;
};

}  // namespace qmt::test
