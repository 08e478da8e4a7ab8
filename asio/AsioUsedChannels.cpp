#include "asio/AsioUsedChannels.h"

namespace qmt {

void AsioUsedChannels::add(const AsioDeviceConfigurationIf& configuration) {
    for (uint32_t ch = 0; ch < configuration.getCaptureChannelCount(); ++ch) {
        const uint8_t input = configuration.getInputChannel(ch);
        if (input < kAsioChannels) inputs.set(input);
    }
    for (uint32_t ch = 0; ch < configuration.getRenderChannelCount(); ++ch) {
        const uint8_t output = configuration.getOutputChannel(ch);
        if (output < kAsioChannels) outputs.set(output);
    }
}

}  // namespace qmt
