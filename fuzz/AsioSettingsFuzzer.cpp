// The audio driver's settings as the driver library, the control panel and the hosts read
// them from the registry store: the registered drivers of the machine hive (the hosts' driver
// list), the selected buffer size, and the known controllers with every configuration's
// channel maps (the driver's and the panel's device registry). The input picks the brand,
// then holds the user hive's and the machine hive's text.
// Checked: every listed driver's class identifier reads back from its registry form; the
// buffer size is one of the model's sizes; the controllers read are numbered from 0 with
// serials of at most 15 characters, none twice, and every map entry is an ASIO channel or
// "disabled" (nothing is left unassigned that could be assigned); what is read saves and
// reads again to the same controllers with the same maps, and saving twice writes the same
// text.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "asio/AsioBufferSizeSetting.h"
#include "asio/AsioDeviceRegistry.h"
#include "asio/AsioDeviceSettingsStore.h"
#include "asio/AsioDriverRegistration.h"
#include "asio/BrxAsioBrand.h"
#include "asio/QmtAsioBrand.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/HiveRegistry.h"
#include "platform/RegFileFormat.h"
#include "platform/sim/SimAudioCards.h"
#include "platform/sim/SimDeviceTree.h"

namespace {

using namespace qmt;

constexpr const char* kUserHive = "HKEY_CURRENT_USER";
constexpr const char* kMachineHive = "HKEY_LOCAL_MACHINE";

// A corrupt hive file is kept aside and the registry starts empty, as RegistryFile does.
void Load(std::span<const uint8_t> bytes, const char* hiveName, RegistryHive& hive) {
    const std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!RegFileFormat::parse(text, hiveName, hive)) hive = RegistryHive{};
}

struct Controller {
    std::string serial;
    uint32_t type;
    std::vector<std::vector<uint8_t>> outputs;
    std::vector<std::vector<uint8_t>> inputs;
    bool operator==(const Controller&) const = default;
};

bool MapEntry(uint8_t channel) {
    return channel < kAsioChannels || channel == kAsioChannelDisabled;
}

// The controllers a fresh device registry reads from `settings`, checked as it goes.
std::vector<Controller> Read(const AsioBrandIf& brand, RegistryIf& settings,
                             std::unique_ptr<AsioDeviceRegistry>& keep) {
    static SimDeviceTree tree;  // nothing plugged: only the settings make devices
    static SimAudioCards cards{tree};
    keep = std::make_unique<AsioDeviceRegistry>(brand, tree, cards, settings,
                                                brand.createDeviceModels(tree));
    keep->loadSettings();
    std::vector<Controller> read;
    for (size_t i = 0; i < keep->getNumberOfDevices(); ++i) {
        const AsioDeviceInfo& device = *keep->getAsioDevice(i);
        QMT_FUZZ_CHECK(device.getIndex() == i);
        QMT_FUZZ_CHECK(device.getSerial().size() <= DeviceInfo::kMaxSerialLength);
        QMT_FUZZ_CHECK(device.getSerial().empty() ||
                       keep->getDeviceWithSerialNumber(device.getSerial()) == &device);
        Controller controller{device.getSerial(), device.getModel()->getType(), {}, {}};
        for (size_t c = 0; c < device.getNumberOfConfigurations(); ++c) {
            const AsioDeviceConfigurationIf& config = *device.getConfiguration(c);
            auto& outputs = controller.outputs.emplace_back();
            auto& inputs = controller.inputs.emplace_back();
            for (uint32_t ch = 0; ch < config.getRenderChannelCount(); ++ch)
                outputs.push_back(config.getOutputChannel(ch));
            for (uint32_t ch = 0; ch < config.getCaptureChannelCount(); ++ch)
                inputs.push_back(config.getInputChannel(ch));
            for (uint8_t channel : outputs)
                QMT_FUZZ_CHECK(MapEntry(channel));
            for (uint8_t channel : inputs)
                QMT_FUZZ_CHECK(MapEntry(channel));
        }
        read.push_back(std::move(controller));
    }
    return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QmtAsioBrand qmtBrand;
    static const BrxAsioBrand brxBrand;
    fuzz::FuzzInput input(data, size);
    const AsioBrandIf& brand =
        (input.u8() & 1) ? static_cast<const AsioBrandIf&>(brxBrand) : qmtBrand;
    fuzz::HiveRegistry settings;
    Load(input.block(), kUserHive, settings.user);
    Load(input.rest(), kMachineHive, settings.machine);

    for (const AsioDriverEntry& driver : listAsioDrivers(settings)) {
        Guid again{};
        QMT_FUZZ_CHECK(parseClassId(driver.classIdText, again) && again == driver.classId);
        QMT_FUZZ_CHECK(parseClassId(FormatGuid(driver.classId), again) && again == driver.classId);
    }

    const AsioBufferSizeSetting bufferSize = AsioBufferSizeSetting::load(settings, brand);
    QMT_FUZZ_CHECK(bufferSize.index < brand.getBufferSizeModel().getNumberOfSizes());

    std::unique_ptr<AsioDeviceRegistry> registry;
    const std::vector<Controller> read = Read(brand, settings, registry);
    // Saved over what was read (stale device keys go), and into an empty store read back
    // through the text of its hive file: the same controllers come back each time.
    std::vector<AsioDeviceInfo*> devices;
    for (size_t i = 0; i < registry->getNumberOfDevices(); ++i)
        devices.push_back(registry->getAsioDevice(i));
    fuzz::HiveRegistry empty;
    QMT_FUZZ_CHECK(AsioDeviceSettingsStore(empty, brand.getRegistryKey()).save(devices));
    QMT_FUZZ_CHECK(registry->saveSettings());
    std::unique_ptr<AsioDeviceRegistry> other;
    QMT_FUZZ_CHECK(Read(brand, settings, other) == read);
    const std::string text = RegFileFormat::serialize(empty.user, kUserHive);
    fuzz::HiveRegistry reread;
    QMT_FUZZ_CHECK(RegFileFormat::parse(text, kUserHive, reread.user));
    QMT_FUZZ_CHECK(Read(brand, reread, other) == read);
    QMT_FUZZ_CHECK(other->saveSettings());
    QMT_FUZZ_CHECK(RegFileFormat::serialize(reread.user, kUserHive) == text);
    return 0;
}
