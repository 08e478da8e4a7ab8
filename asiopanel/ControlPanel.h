#pragma once
// The control panel dialog's logic: the list of every shown controller's channel groups, the
// drop-downs that route a group's two channels, the buffer-length trackbar, and Apply, OK and
// Cancel with the restore points that make Cancel undo everything.
//
// Modified state: 0 nothing to apply, 1 the user changed something, 2 a controller not yet in
// the settings is listed (it stays 2 until applied, so that Apply stores that controller).
//
// Threads: everything runs on the window's thread, under the registry mutex while it touches
// the devices, except stateChanged(), which the registry calls on its polling thread with its
// mutex held. That only queues the notice and asks the view to run processDeviceEvents(), so
// the rows change on the window's thread alone. A queued notice may name a device the registry
// has forgotten (and destroyed) since: processing first drops the rows of every device the
// registry no longer lists and never touches such a device.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "asio/AsioBrandIf.h"
#include "asio/AsioBufferSizeSetting.h"
#include "asio/AsioDeviceRegistry.h"
#include "asiopanel/ControlPanelRows.h"
#include "asiopanel/ControlPanelViewIf.h"
#include "platform/MessageBoxIf.h"
#include "platform/Registry.h"

namespace qmt {

class ControlPanel final : public DeviceInfo::EventHandlerIf {
  public:
    static constexpr int kNothingToApply = 0;
    static constexpr int kChangedByUser = 1;
    static constexpr int kNewDevice = 2;

    struct Services {
        AsioDeviceRegistry& registry;
        const AsioBrandIf& brand;
        AsioBufferSizeSetting& bufferSize;  // not owned
        RegistryIf& settings;               // where "Buffer Size" is written
        MessageBoxIf& messages;
        // Tells running drivers that the settings changed.
        std::function<void()> configurationChanged;
    };

    // Makes the restore points that Cancel returns to.
    explicit ControlPanel(Services services);
    ~ControlPanel() override;
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;

    // Dialog creation: columns, trackbar, buffer text, then the registry reports every known
    // device. Without the artwork the list stays empty (the panel does not listen).
    void initialize(ControlPanelViewIf& view, bool artworkLoaded);

    // What the user does.
    void selectRow(int row);
    void chooseDropDownItem(PanelSide side, int item);
    void moveTrackbar(uint32_t position);
    void clickRemovalMark(size_t row);
    void clickLogo();
    void apply();
    void ok();
    void cancel();

    // After the dialog ended: a non-zero result applies, 0 rolls every change back.
    void finish(int result);

    // The window's thread: brings the rows up to date with the registry's notices.
    void processDeviceEvents();

    int modifiedState() const { return modified_; }
    size_t rowCount() const { return rows_.size(); }
    const ControlPanelRow& row(size_t index) const { return rows_[index]; }
    int selectedRow() const { return selected_; }
    const std::vector<PanelColumnInfo>& columns() const { return columns_; }
    std::vector<std::string> rowTexts(size_t index) const;

  private:
    void stateChanged(DeviceInfo* device, uint32_t newState, uint32_t oldState) override;
    void stopListening();

    bool isListed(const DeviceInfo* device);
    bool shouldShow(const AsioDeviceInfo& device) const;
    void removeRowsOfUnlisted();
    void reconcile(AsioDeviceInfo& device);
    std::pair<size_t, size_t> blockOf(const DeviceInfo* device) const;
    size_t insertionPoint(const AsioDeviceInfo& device) const;
    void removeRows(size_t first, size_t end);
    void insertRows(size_t position, const std::vector<ControlPanelRow>& rows);
    void refreshRows(size_t first, size_t end);
    void refreshKeys();
    void placeDropDowns();
    void markModified(int state);

    Services services_;
    ControlPanelViewIf* view_ = nullptr;
    bool listening_ = false;
    int modified_ = kNothingToApply;
    std::vector<PanelColumnInfo> columns_;
    std::vector<ControlPanelRow> rows_;
    int selected_ = -1;

    std::mutex noticesMutex_;           // taken after the registry mutex, never before it
    std::vector<DeviceInfo*> notices_;  // may name forgotten devices
};

}  // namespace qmt
