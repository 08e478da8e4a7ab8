#include "asio/BrxAsioChannelAssigner.h"

#include "asio/AsioDeviceInfo.h"
#include "asio/AsioModelTypes.h"
#include "asio/BrxKrt4AsioDeviceConfiguration_4Out4In.h"
#include "asio/BrxKrt4AsioDeviceConfiguration_8Out2In.h"
#include "devices/DeviceModelIf.h"

namespace qmt {

namespace {

// Hardware channel n gets ASIO channel n, where unassigned or when forced.
void assignInOrder(AsioDeviceConfigurationIf& config, uint32_t inputs, uint32_t outputs,
                   bool force) {
    for (uint32_t ch = 0; ch < inputs; ++ch) {
        if (force || config.getInputChannel(ch) == kAsioChannelUnassigned)
            config.setInputChannel(ch, static_cast<uint8_t>(ch));
    }
    for (uint32_t ch = 0; ch < outputs; ++ch) {
        if (force || config.getOutputChannel(ch) == kAsioChannelUnassigned)
            config.setOutputChannel(ch, static_cast<uint8_t>(ch));
    }
}

}  // namespace

void BrxAsioChannelAssigner::assignChannels(AsioDeviceInfo& device,
                                            const AsioUsedChannels& /*used*/, bool force) const {
    if (device.getModel() == nullptr || device.getModel()->getType() != kAsioModelKrt4) return;
    for (size_t c = 0; c < device.getNumberOfConfigurations(); ++c) {
        AsioDeviceConfigurationIf* config = device.getConfiguration(c);
        if (dynamic_cast<BrxKrt4AsioDeviceConfiguration_8Out2In*>(config) != nullptr)
            assignInOrder(*config, 2, 8, force);
        else if (dynamic_cast<BrxKrt4AsioDeviceConfiguration_4Out4In*>(config) != nullptr)
            assignInOrder(*config, 4, 4, force);
    }
}

}  // namespace qmt
