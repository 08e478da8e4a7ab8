#include "asio/QmtAsioChannelAssigner.h"

#include <algorithm>
#include <vector>

#include "asio/AsioDeviceInfo.h"

namespace qmt {

namespace {

// `count` picks: the free channels from 0 upwards, then each further pick's own ordinal.
std::vector<uint8_t> pickChannels(uint32_t count, const std::bitset<kAsioChannels>& used) {
    std::vector<uint8_t> picks;
    uint32_t scan = 0;
    for (uint32_t ordinal = 0; ordinal < count; ++ordinal) {
        while (scan < kAsioChannels && used.test(scan))
            ++scan;
        picks.push_back(static_cast<uint8_t>(scan < kAsioChannels ? scan++ : ordinal));
    }
    return picks;
}

template <typename Get, typename Set>
void handOut(uint32_t channels, const std::vector<uint8_t>& picks, bool force, Get get, Set set) {
    size_t next = 0;
    for (uint32_t ch = 0; ch < channels && next < picks.size(); ++ch) {
        if (force || get(ch) == kAsioChannelUnassigned) set(ch, picks[next++]);
    }
}

}  // namespace

void QmtAsioChannelAssigner::assignChannels(AsioDeviceInfo& device, const AsioUsedChannels& used,
                                            bool force) const {
    uint32_t inputs = 0;
    uint32_t outputs = 0;
    for (size_t c = 0; c < device.getNumberOfConfigurations(); ++c) {
        inputs = std::max(inputs, device.getConfiguration(c)->getCaptureChannelCount());
        outputs = std::max(outputs, device.getConfiguration(c)->getRenderChannelCount());
    }
    const std::vector<uint8_t> inputPicks = pickChannels(inputs, used.inputs);
    const std::vector<uint8_t> outputPicks = pickChannels(outputs, used.outputs);
    for (size_t c = 0; c < device.getNumberOfConfigurations(); ++c) {
        AsioDeviceConfigurationIf* config = device.getConfiguration(c);
        handOut(
            config->getCaptureChannelCount(), inputPicks, force,
            [&](uint32_t ch) { return config->getInputChannel(ch); },
            [&](uint32_t ch, uint8_t asio) { config->setInputChannel(ch, asio); });
        handOut(
            config->getRenderChannelCount(), outputPicks, force,
            [&](uint32_t ch) { return config->getOutputChannel(ch); },
            [&](uint32_t ch, uint8_t asio) { config->setOutputChannel(ch, asio); });
    }
}

}  // namespace qmt
