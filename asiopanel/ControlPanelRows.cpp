#include "asiopanel/ControlPanelRows.h"

#include <cstdio>

#include "devices/DeviceModelIf.h"

namespace qmt {

namespace {

std::string channelText(uint8_t entry, bool input) {
    if (entry == kAsioChannelDisabled) return "Disabled";
    if (entry >= kAsioChannels) return {};  // not yet assigned: nothing to show
    char text[16];
    std::snprintf(text, sizeof text, input ? "In %i" : "Out %i", entry + 1);
    return text;
}

const char* statusText(const ControlPanelRow& row) {
    if (!row.device->isPresent()) return "Disconnected";
    return row.configuration == row.device->getSelectedConfigurationIndex() ? "Connected"
                                                                            : "Not active";
}

std::string deviceText(const ControlPanelRow& row) {
    const DeviceModelIf* model = row.device->getModel();
    return std::string(model != nullptr ? model->getName() : "") + " (" + row.device->getSerial() +
           ")";
}

uint32_t hardwareChannel(const ControlPanelRow& row, PanelSide side) {
    const AsioDeviceConfigurationIf& configuration =
        *row.device->getConfiguration(row.configuration);
    return firstHardwareChannelOfGroup(configuration, row.group) + static_cast<uint32_t>(side);
}

}  // namespace

std::vector<PanelColumnInfo> PanelColumnsOf(const AsioBrandIf& brand) {
    std::vector<PanelColumnInfo> columns{{PanelColumn::Device, "Device", 136}};
    if (brand.showsModeColumn()) columns.push_back({PanelColumn::Mode, "Mode", 70});
    if (brand.canRemoveAbsentDevices() || brand.listsAllConfigurations())
        columns.push_back({PanelColumn::Status, "Status", 80});
    columns.push_back({PanelColumn::Group, "Ch. Group", 72});
    columns.push_back({PanelColumn::Left, "Left Channel", 84});
    columns.push_back({PanelColumn::Right, "Right Channel", 84});
    return columns;
}

std::vector<ControlPanelRow> PanelRowsOf(AsioDeviceInfo& device, const AsioBrandIf& brand) {
    std::vector<ControlPanelRow> rows;
    const uint32_t count = static_cast<uint32_t>(device.getNumberOfConfigurations());
    const uint32_t selected = static_cast<uint32_t>(device.getSelectedConfigurationIndex());
    for (uint32_t c = 0; c < count; ++c) {
        if (!brand.listsAllConfigurations() && c != selected) continue;
        const uint32_t groups = device.getConfiguration(c)->getNumberOfChannelGroups();
        for (uint32_t g = 0; g < groups; ++g) {
            const uint32_t key = static_cast<uint32_t>(device.getIndex()) * kPanelKeysPerDevice +
                                 c * kPanelKeysPerConfiguration + g;
            rows.push_back({&device, key, c, g, rows.empty(), g == 0});
        }
    }
    return rows;
}

bool IsCaptureRow(const ControlPanelRow& row) {
    const AsioChannelGroup* group =
        row.device->getConfiguration(row.configuration)->getChannelGroup(row.group);
    return group != nullptr && group->direction == AsioChannelDirection::Capture;
}

uint8_t PanelChannelEntry(const ControlPanelRow& row, PanelSide side) {
    const AsioDeviceConfigurationIf& configuration =
        *row.device->getConfiguration(row.configuration);
    const uint32_t channel = hardwareChannel(row, side);
    return IsCaptureRow(row) ? configuration.getInputChannel(channel)
                             : configuration.getOutputChannel(channel);
}

void SetPanelChannelEntry(const ControlPanelRow& row, PanelSide side, uint8_t entry) {
    AsioDeviceConfigurationIf& configuration = *row.device->getConfiguration(row.configuration);
    const uint32_t channel = hardwareChannel(row, side);
    if (IsCaptureRow(row))
        configuration.setInputChannel(channel, entry);
    else
        configuration.setOutputChannel(channel, entry);
}

std::string PanelCellText(const ControlPanelRow& row, PanelColumn column) {
    const AsioDeviceConfigurationIf& configuration =
        *row.device->getConfiguration(row.configuration);
    switch (column) {
        case PanelColumn::Device:
            return row.firstOfDevice ? deviceText(row) : std::string();
        case PanelColumn::Mode: {
            const char* name = configuration.getName();
            return row.firstOfConfiguration && name != nullptr ? name : "";
        }
        case PanelColumn::Status:
            return row.firstOfConfiguration ? statusText(row) : "";
        case PanelColumn::Group: {
            const AsioChannelGroup* group = configuration.getChannelGroup(row.group);
            return group != nullptr && group->name != nullptr ? group->name : "";
        }
        case PanelColumn::Left:
            return channelText(PanelChannelEntry(row, PanelSide::Left), IsCaptureRow(row));
        case PanelColumn::Right:
            return channelText(PanelChannelEntry(row, PanelSide::Right), IsCaptureRow(row));
    }
    return {};
}

int PanelItemOfEntry(uint8_t entry) {
    if (entry == kAsioChannelDisabled) return 0;
    if (entry < kAsioChannels) return entry + 1;
    return -1;
}

uint8_t PanelEntryOfItem(int item) {
    if (item <= 0 || item > static_cast<int>(kAsioChannels)) return kAsioChannelDisabled;
    return static_cast<uint8_t>(item - 1);
}

std::vector<std::string> PanelDropDownItems(bool input) {
    std::vector<std::string> items{"Disabled"};
    for (uint8_t channel = 0; channel < kAsioChannels; ++channel)
        items.push_back(channelText(channel, input));
    return items;
}

}  // namespace qmt
