#pragma once
// What the control panel's list shows: its columns (some only for brands that ask for them),
// one row per channel group of each shown configuration of a device, and the text of every
// cell. A row's key packs where its group lives: device index * 64 + configuration * 16 +
// group, so a device has fewer than 4 configurations of fewer than 16 groups.

#include <cstdint>
#include <string>
#include <vector>

#include "asio/AsioBrandIf.h"
#include "asio/AsioDeviceInfo.h"

namespace qmt {

inline constexpr uint32_t kPanelKeysPerDevice = 64;
inline constexpr uint32_t kPanelKeysPerConfiguration = 16;

enum class PanelColumn : uint8_t { Device, Mode, Status, Group, Left, Right };

struct PanelColumnInfo {
    PanelColumn column;
    const char* title;
    int width;  // pixels
};

// Which side of a stereo group a drop-down or a cell stands for.
enum class PanelSide : uint8_t { Left = 0, Right = 1 };

struct ControlPanelRow {
    AsioDeviceInfo* device;  // not owned; valid while the registry lists it
    uint32_t key;
    uint32_t configuration;
    uint32_t group;
    bool firstOfDevice;
    bool firstOfConfiguration;
};

std::vector<PanelColumnInfo> PanelColumnsOf(const AsioBrandIf& brand);

// The rows of a device in list order: every configuration when the brand lists them all,
// else the selected one; one row per channel group, in group order.
std::vector<ControlPanelRow> PanelRowsOf(AsioDeviceInfo& device, const AsioBrandIf& brand);

// The map entry behind a channel cell of the row (an ASIO channel, 255 or 254).
uint8_t PanelChannelEntry(const ControlPanelRow& row, PanelSide side);
void SetPanelChannelEntry(const ControlPanelRow& row, PanelSide side, uint8_t entry);
bool IsCaptureRow(const ControlPanelRow& row);

std::string PanelCellText(const ControlPanelRow& row, PanelColumn column);

// Drop-down items: 0 "Disabled", n + 1 for ASIO channel n; -1 for an entry that leaves the
// drop-down as it is (254, not yet assigned).
int PanelItemOfEntry(uint8_t entry);
uint8_t PanelEntryOfItem(int item);
// "Disabled" then "In 1" ... "In 16" (or "Out ...").
std::vector<std::string> PanelDropDownItems(bool input);

}  // namespace qmt
