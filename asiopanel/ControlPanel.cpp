#include "asiopanel/ControlPanel.h"

#include <algorithm>
#include <unordered_set>

namespace qmt {

namespace {

bool sameLayout(const std::vector<ControlPanelRow>& shown, size_t first,
                const std::vector<ControlPanelRow>& expected) {
    for (size_t i = 0; i < expected.size(); ++i) {
        const ControlPanelRow& row = shown[first + i];
        if (row.configuration != expected[i].configuration || row.group != expected[i].group)
            return false;
    }
    return true;
}

}  // namespace

ControlPanel::ControlPanel(Services services) : services_(std::move(services)) {
    services_.registry.makeRestorePoint();
    services_.bufferSize.makeRestorePoint();
}

ControlPanel::~ControlPanel() {
    stopListening();
}

void ControlPanel::initialize(ControlPanelViewIf& view, bool artworkLoaded) {
    view_ = &view;
    columns_ = PanelColumnsOf(services_.brand);
    view.setColumns(columns_);
    const AsioBufferSizeModelIf& model = services_.brand.getBufferSizeModel();
    const uint32_t index = static_cast<uint32_t>(services_.bufferSize.index);
    view.setTrackbar(model.getNumberOfSizes() - 1, index, model.getTickSpacing());
    view.setBufferLengthText(model.getText(index));
    view.setApplyEnabled(modified_ != kNothingToApply);
    if (!artworkLoaded) return;
    listening_ = services_.registry.addEventHandler(this);
    processDeviceEvents();
}

void ControlPanel::stopListening() {
    if (!listening_) return;
    services_.registry.removeEventHandler(this);
    listening_ = false;
}

void ControlPanel::stateChanged(DeviceInfo* device, uint32_t /*newState*/, uint32_t /*oldState*/) {
    {
        std::lock_guard lock(noticesMutex_);
        notices_.push_back(device);
    }
    if (view_ != nullptr) view_->postDeviceEvents();
}

void ControlPanel::processDeviceEvents() {
    std::lock_guard registryLock(services_.registry.mutex());
    std::vector<DeviceInfo*> notices;
    {
        std::lock_guard lock(noticesMutex_);
        notices.swap(notices_);
    }
    removeRowsOfUnlisted();
    std::unordered_set<DeviceInfo*> done;
    for (DeviceInfo* device : notices) {
        if (!done.insert(device).second || !isListed(device)) continue;
        reconcile(*static_cast<AsioDeviceInfo*>(device));
    }
    refreshKeys();
}

bool ControlPanel::isListed(const DeviceInfo* device) {
    for (size_t i = 0; i < services_.registry.getNumberOfDevices(); ++i) {
        if (services_.registry.getDevice(i) == device) return true;
    }
    return false;
}

bool ControlPanel::shouldShow(const AsioDeviceInfo& device) const {
    // Brands that may remove the settings of absent devices list them too.
    return services_.brand.canRemoveAbsentDevices() || device.isPresent();
}

void ControlPanel::removeRowsOfUnlisted() {
    for (size_t i = rows_.size(); i-- > 0;) {
        if (!isListed(rows_[i].device)) removeRows(i, i + 1);
    }
}

void ControlPanel::reconcile(AsioDeviceInfo& device) {
    std::vector<ControlPanelRow> expected;
    if (shouldShow(device)) expected = PanelRowsOf(device, services_.brand);
    auto [first, end] = blockOf(&device);
    if (end - first != expected.size() || !sameLayout(rows_, first, expected)) {
        removeRows(first, end);
        if (!expected.empty()) {
            insertRows(insertionPoint(device), expected);
            if (!device.isStored()) markModified(kNewDevice);
        }
        std::tie(first, end) = blockOf(&device);
    }
    refreshRows(first, end);
    if (selected_ >= static_cast<int>(first) && selected_ < static_cast<int>(end)) placeDropDowns();
}

std::pair<size_t, size_t> ControlPanel::blockOf(const DeviceInfo* device) const {
    const auto first = std::find_if(rows_.begin(), rows_.end(),
                                    [&](const ControlPanelRow& r) { return r.device == device; });
    const auto end = std::find_if(first, rows_.end(),
                                  [&](const ControlPanelRow& r) { return r.device != device; });
    return {static_cast<size_t>(first - rows_.begin()), static_cast<size_t>(end - rows_.begin())};
}

size_t ControlPanel::insertionPoint(const AsioDeviceInfo& device) const {
    // Before the first row of the first device whose serial compares greater, byte by byte.
    const auto after = std::find_if(rows_.begin(), rows_.end(), [&](const ControlPanelRow& r) {
        return r.device->getSerial() > device.getSerial();
    });
    return static_cast<size_t>(after - rows_.begin());
}

void ControlPanel::removeRows(size_t first, size_t end) {
    if (first >= end) return;
    for (size_t i = end; i-- > first;)
        view_->removeRow(i);
    rows_.erase(rows_.begin() + static_cast<ptrdiff_t>(first),
                rows_.begin() + static_cast<ptrdiff_t>(end));
    if (selected_ >= static_cast<int>(end)) {
        selected_ -= static_cast<int>(end - first);
    } else if (selected_ >= static_cast<int>(first)) {
        selected_ = -1;
        view_->hideDropDowns();
    }
    view_->selectRow(selected_);
}

void ControlPanel::insertRows(size_t position, const std::vector<ControlPanelRow>& rows) {
    rows_.insert(rows_.begin() + static_cast<ptrdiff_t>(position), rows.begin(), rows.end());
    for (size_t i = 0; i < rows.size(); ++i)
        view_->insertRow(position + i, rowTexts(position + i));
    if (selected_ >= static_cast<int>(position)) {
        selected_ += static_cast<int>(rows.size());
        view_->selectRow(selected_);
        placeDropDowns();
    }
}

void ControlPanel::refreshRows(size_t first, size_t end) {
    for (size_t i = first; i < end; ++i)
        view_->setRowTexts(i, rowTexts(i));
}

void ControlPanel::refreshKeys() {
    // Devices after a forgotten one moved up one index in the registry: their keys drop by 64.
    for (ControlPanelRow& row : rows_) {
        row.key = static_cast<uint32_t>(row.device->getIndex()) * kPanelKeysPerDevice +
                  row.configuration * kPanelKeysPerConfiguration + row.group;
    }
}

std::vector<std::string> ControlPanel::rowTexts(size_t index) const {
    std::vector<std::string> texts;
    for (const PanelColumnInfo& column : columns_)
        texts.push_back(PanelCellText(rows_[index], column.column));
    return texts;
}

void ControlPanel::placeDropDowns() {
    if (selected_ < 0) {
        view_->hideDropDowns();
        return;
    }
    const ControlPanelRow& row = rows_[static_cast<size_t>(selected_)];
    view_->showDropDowns(IsCaptureRow(row) ? PanelDropDowns::Input : PanelDropDowns::Output,
                         static_cast<size_t>(selected_),
                         PanelItemOfEntry(PanelChannelEntry(row, PanelSide::Left)),
                         PanelItemOfEntry(PanelChannelEntry(row, PanelSide::Right)));
}

void ControlPanel::markModified(int state) {
    if (modified_ != kNewDevice) modified_ = state;
    if (view_ != nullptr) view_->setApplyEnabled(modified_ != kNothingToApply);
}

void ControlPanel::selectRow(int row) {
    std::lock_guard lock(services_.registry.mutex());
    selected_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
    placeDropDowns();
}

void ControlPanel::chooseDropDownItem(PanelSide side, int item) {
    std::lock_guard lock(services_.registry.mutex());
    if (selected_ < 0) return;
    const size_t index = static_cast<size_t>(selected_);
    SetPanelChannelEntry(rows_[index], side, PanelEntryOfItem(item));
    refreshRows(index, index + 1);
    markModified(kChangedByUser);
}

void ControlPanel::moveTrackbar(uint32_t position) {
    const AsioBufferSizeModelIf& model = services_.brand.getBufferSizeModel();
    if (position >= model.getNumberOfSizes()) return;
    if (position != services_.bufferSize.index) {
        markModified(kChangedByUser);
        services_.bufferSize.index = position;
    }
    view_->setBufferLengthText(model.getText(position));
}

void ControlPanel::clickRemovalMark(size_t row) {
    if (!services_.brand.canRemoveAbsentDevices()) return;
    DeviceInfo* device = nullptr;
    {
        std::lock_guard lock(services_.registry.mutex());
        if (row >= rows_.size() || !isListed(rows_[row].device) || rows_[row].device->isPresent())
            return;
        device = rows_[row].device;
    }
    // Asked without the registry mutex: the polling thread goes on meanwhile, and the rows
    // may change under the question.
    const MessageBoxAnswer answer = services_.messages.show(
        "Device removal", "Are you sure that you want to remove settings of this device?",
        MessageBoxIcon::Question, MessageBoxButtons::YesNo);
    if (answer != MessageBoxAnswer::Yes) return;
    std::lock_guard lock(services_.registry.mutex());
    if (blockOf(device).first == rows_.size()) return;     // gone meanwhile
    if (!services_.registry.removeDevice(device)) return;  // present again meanwhile
    processDeviceEvents();
    markModified(kChangedByUser);
}

void ControlPanel::clickLogo() {
    services_.messages.show("About", services_.brand.getAboutText(), MessageBoxIcon::Information);
}

void ControlPanel::apply() {
    if (modified_ == kNothingToApply) return;
    // Write failures are not reported: the state returns to 0 all the same.
    services_.registry.saveSettings();
    services_.bufferSize.save(services_.settings, services_.brand);
    services_.registry.makeRestorePoint();
    services_.bufferSize.makeRestorePoint();
    if (services_.configurationChanged) services_.configurationChanged();
    modified_ = kNothingToApply;
    if (view_ != nullptr) view_->setApplyEnabled(false);
}

void ControlPanel::ok() {
    stopListening();
    view_->endDialog(modified_);
}

void ControlPanel::cancel() {
    stopListening();
    view_->endDialog(0);
}

void ControlPanel::finish(int result) {
    stopListening();
    if (result != 0) {
        apply();
        return;
    }
    services_.registry.rollbackChanges();
    services_.bufferSize.rollbackChanges();
}

}  // namespace qmt
