#include "midiconfig/MappingDialog.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "devices/DeviceModelIf.h"
#include "devices/DeviceRegistry.h"
#include "devices/MidiBrandIf.h"
#include "model/Catalogue.h"
#include "model/FilePaths.h"
#include "model/MidiSettings.h"
#include "model/PresetFile.h"
#include "platform/AtomicFile.h"

namespace qmt {

namespace {

constexpr const char* kUnsavedPrompt =
    "You have made modifications that have not been saved.\n"
    "Do you want to save these modifications now?";
constexpr const char* kMappingFilter = "QMT Device Mapping (*.kdm)";
constexpr const char* kMappingPattern = "*.kdm";

// Slots 3 and 4 hold ARDO RAW PROTO 2009 presets, which the folder never lists: their names
// are dropped without a word.
bool WarnsWhenMissing(int slot) {
    return slot != 3 && slot != 4;
}

bool FitsSameClass(uint32_t entryType, uint32_t rowType) {
    return entryType == 0 || PresetClassOf(entryType) == PresetClassOf(rowType);
}

}  // namespace

MappingDialog::MappingDialog(Services services) : services_(std::move(services)) {}

MappingDialog::~MappingDialog() {
    if (registered_) services_.devices.removeEventHandler(this);
}

void MappingDialog::initialize(ViewIf& view, int rowHeight, int panelHeight) {
    view_ = &view;
    rowHeight_ = rowHeight;
    panelHeight_ = panelHeight;
    scanPresetFolder();
    std::string selected;
    std::vector<uint8_t> bytes;
    MappingPtr mapping;
    if (QuerySelectedMapping(services_.settings, selected)) {
        const std::string file = ResolveFileCaseInsensitive(selected);
        if (!file.empty() && ReadWholeFile(file, bytes, nullptr)) mapping = ParseMapping(bytes);
    }
    if (mapping) {
        hasMapping_ = true;
        mappingPath_ = selected;
        entries_ = ControllerInfosOf(*mapping);
        synchronise();
    } else {
        startNewMapping();
    }
    layout();
    // The registry reports every known device before this returns.
    registered_ = services_.devices.addEventHandler(this);
    drainDeviceEvents();
    modified_ = false;
    updateTitle();
}

std::string MappingDialog::title() const {
    return (mappingPath_.empty() ? std::string("New Mapping") : FileNameOf(mappingPath_)) +
           " - QMT MIDI Configuration";
}

void MappingDialog::updateTitle() {
    if (view_) view_->setTitle(title());
}

// ---- the mapping -------------------------------------------------------------------------

void MappingDialog::newMapping() {
    if (!proceedAfterPrompt("New Mapping")) return;
    startNewMapping();
    modified_ = false;
    updateTitle();
}

void MappingDialog::startNewMapping() {
    hasMapping_ = true;
    mappingPath_.clear();
    entries_.clear();
    synchronise();  // every row gets an entry
}

void MappingDialog::loadMapping() {
    if (!proceedAfterPrompt("Load Mapping")) return;
    std::string folder;
    if (!mappingFolder(folder)) return;
    const FileDialogResult chosen =
        view_->runFileDialog({false, "Load mapping", folder, kMappingFilter, kMappingPattern, ""});
    if (chosen.outcome != FileDialogResult::Outcome::Chosen) return;
    std::vector<uint8_t> bytes;
    MappingPtr mapping;
    if (ReadWholeFile(chosen.path, bytes, nullptr)) mapping = ParseMapping(bytes);
    if (!mapping) {
        warn("Failed to load mapping");
        return;
    }
    hasMapping_ = true;
    mappingPath_ = chosen.path;
    entries_ = ControllerInfosOf(*mapping);
    modified_ = false;
    synchronise();
    updateTitle();
}

bool MappingDialog::saveMapping() {
    if (mappingPath_.empty()) return saveMappingAs();
    commitRows();
    if (entries_.empty()) {
        warn("Failed to save mapping\nA mapping needs at least one controller.");
        return false;
    }
    if (!writeMapping()) {
        warn("Failed to save mapping");
        return false;
    }
    modified_ = false;
    std::string selected;
    if (QuerySelectedMapping(services_.settings, selected) &&
        equalsIgnoreCase(selected, mappingPath_) && services_.notifyDriver)
        services_.notifyDriver();
    return true;
}

bool MappingDialog::saveMappingAs() {
    std::string folder;
    if (!mappingFolder(folder)) return false;
    const FileDialogResult chosen = view_->runFileDialog(
        {true, "Save mapping", folder, kMappingFilter, kMappingPattern, "kdm"});
    if (chosen.outcome != FileDialogResult::Outcome::Chosen)
        return chosen.outcome == FileDialogResult::Outcome::Cancelled;
    mappingPath_ = chosen.path;
    updateTitle();
    if (!saveMapping()) {
        warn("Failed to save mapping");
        return false;
    }
    return true;
}

bool MappingDialog::writeMapping() {
    // A mapping without entries is one no reader accepts, so none is written.
    if (entries_.empty()) return false;
    return ReplaceFileAtomically(mappingPath_, WriteMapping(MappingOf(entries_)));
}

// Before a new mapping, a load or closing: unsaved changes may be saved first. False when
// the action must stop.
bool MappingDialog::proceedAfterPrompt(const char* caption) {
    if (!hasMapping_) return true;
    commitRows();
    if (!modified_) return true;
    switch (services_.messages.show(caption, kUnsavedPrompt, MessageBoxIcon::Warning,
                                    MessageBoxButtons::YesNoCancel)) {
        case MessageBoxAnswer::Yes:
            return saveMapping();
        case MessageBoxAnswer::No:
            return true;
        default:
            return false;
    }
}

void MappingDialog::exit() {
    if (!proceedAfterPrompt("Exit")) return;
    escape();
}

// Unregistering comes first: afterwards no device event can arrive for what goes next.
void MappingDialog::escape() {
    if (registered_) services_.devices.removeEventHandler(this);
    registered_ = false;
    {
        std::lock_guard lock(eventMutex_);
        events_.clear();
    }
    while (!rows_.empty())
        destroyRow(rows_.back().get());
    presets_.clear();
    entries_.clear();
    hasMapping_ = false;
    if (view_) view_->endDialog();
}

void MappingDialog::about() {
    const MidiBrandIf* brand = MidiBrandIf::instance();
    services_.messages.show("About", brand ? brand->getAboutText() : "", MessageBoxIcon::None);
}

void MappingDialog::help() {
    if (view_) view_->openHelp("help.pdf");
}

// ---- rows and entries --------------------------------------------------------------------

void MappingDialog::commitRows() {
    for (const auto& row : rows_) {
        ControllerInfo* entry = entryWithSerial(row->serial());
        if (!entry || *entry == row->info()) continue;
        *entry = row->info();
        modified_ = true;
    }
}

// After a mapping is loaded or made, and after a new row: presets the folder lacks leave
// the mapping, every row gets an entry and every named entry a row, and the rows, ordered by
// serial number, show their entries.
void MappingDialog::synchronise() {
    removeMissingPresets();
    giveRowsEntries();
    addRowsForEntries();
    sortRows();
    loadRows();
    layout();
}

void MappingDialog::removeMissingPresets() {
    for (ControllerInfo& entry : entries_) {
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            const std::string name = entry.presets[slot];
            const PresetKind kind = SlotPresetKind(slot);
            if (name.empty() || FindPreset(presets_, name, kind)) continue;
            // Mappings travel from systems whose file names ignore case; the driver finds
            // such a file, so the name takes the listed spelling instead of being dropped.
            const auto sameIgnoringCase =
                std::find_if(presets_.begin(), presets_.end(), [&](const PresetInfoShort& p) {
                    return p.kind == kind && equalsIgnoreCase(p.displayName, name);
                });
            if (sameIgnoringCase != presets_.end()) {
                entry.presets[slot] = sameIgnoringCase->displayName;
                modified_ = true;
                continue;
            }
            if (WarnsWhenMissing(slot))
                warn("Preset '" + name + PresetExtension(kind) +
                         "' was not found.\nReferences to the preset will be removed.",
                     "Warning");
            for (ControllerInfo& other : entries_)
                for (int s = 0; s < kMappingSlots; ++s)
                    if (SlotPresetKind(s) == kind && equalsIgnoreCase(other.presets[s], name))
                        other.presets[s].clear();
            modified_ = true;
        }
    }
}

void MappingDialog::giveRowsEntries() {
    for (const auto& row : rows_) {
        if (entryWithSerial(row->serial())) continue;
        const auto free =
            std::find_if(entries_.begin(), entries_.end(), [&](const ControllerInfo& e) {
                return e.serial.empty() && FitsSameClass(e.type, row->type());
            });
        if (free != entries_.end()) {
            free->type = row->type();
            free->serial = row->serial();
        } else {
            entries_.emplace_back(row->type(), row->serial());
        }
        modified_ = true;
    }
}

void MappingDialog::addRowsForEntries() {
    for (const ControllerInfo& entry : entries_)
        if (!entry.serial.empty() && !rowWithSerial(entry.serial)) addRow(entry.type, entry.serial);
}

void MappingDialog::sortRows() {
    std::stable_sort(rows_.begin(), rows_.end(), [](const auto& a, const auto& b) {
        return a->serial() < b->serial();  // byte-wise
    });
}

void MappingDialog::loadRows() {
    for (const auto& row : rows_)
        if (const ControllerInfo* entry = entryWithSerial(row->serial())) row->load(*entry);
}

void MappingDialog::layout() {
    scroller_.setUp(rows_.size(), rowHeight_, panelHeight_);
    if (view_) view_->layoutRows();
}

void MappingDialog::scroll(RowScroller::Action action, int trackPosition) {
    if (scroller_.scroll(action, trackPosition) && view_) view_->layoutRows();
}

DeviceConfigControl& MappingDialog::addRow(uint32_t type, const std::string& serial) {
    rows_.push_back(std::make_unique<DeviceConfigControl>(type, serial));
    DeviceConfigControl& row = *rows_.back();
    row.fill(presets_);
    if (view_) view_->rowAdded(row);
    return row;
}

void MappingDialog::destroyRow(DeviceConfigControl* row) {
    const auto it =
        std::find_if(rows_.begin(), rows_.end(), [&](const auto& r) { return r.get() == row; });
    if (it == rows_.end()) return;
    if (view_) view_->rowRemoved(*row);
    rows_.erase(it);
}

DeviceConfigControl* MappingDialog::rowWithSerial(const std::string& serial) {
    for (const auto& row : rows_)
        if (equalsIgnoreCase(row->serial(), serial)) return row.get();
    return nullptr;
}

ControllerInfo* MappingDialog::entryWithSerial(const std::string& serial) {
    if (serial.empty()) return nullptr;
    for (ControllerInfo& entry : entries_)
        if (equalsIgnoreCase(entry.serial, serial)) return &entry;
    return nullptr;
}

void MappingDialog::forgetEntrySerial(const std::string& serial) {
    if (ControllerInfo* entry = entryWithSerial(serial)) {
        entry->serial.clear();
        modified_ = true;
    }
}

void MappingDialog::removeDevice(DeviceConfigControl* row) {
    // The request was queued: the row may have gone meanwhile.
    const bool ours =
        std::any_of(rows_.begin(), rows_.end(), [&](const auto& r) { return r.get() == row; });
    if (!ours || !row->canRemove()) return;
    const std::string serial = row->serial();
    bool known = false;
    {
        std::lock_guard lock(services_.devices.mutex());
        if (DeviceInfo* device = services_.devices.getDeviceWithSerialNumber(serial)) {
            known = true;
            // Refused while the device is present; otherwise "forgotten" arrives below.
            services_.devices.removeDevice(device);
        }
    }
    if (known) {
        drainDeviceEvents();
        return;
    }
    forgetEntrySerial(serial);
    destroyRow(row);
    layout();
}

// ---- device events -----------------------------------------------------------------------

void MappingDialog::stateChanged(DeviceInfo* device, uint32_t newState, uint32_t oldState) {
    const DeviceModelIf* model = device->getModel();
    {
        std::lock_guard lock(eventMutex_);
        events_.push_back({device->getSerial(), model ? model->getType() : 0, newState, oldState});
    }
    if (view_) view_->deviceEventsPending();
}

void MappingDialog::drainDeviceEvents() {
    for (;;) {
        DeviceEvent event;
        {
            std::lock_guard lock(eventMutex_);
            if (events_.empty()) return;
            event = std::move(events_.front());
            events_.pop_front();
        }
        handle(event);
    }
}

void MappingDialog::handle(const DeviceEvent& event) {
    // A controller without a readable serial number cannot be named by a mapping: the driver
    // gives it the next free entry of its class, and the list has no row for it.
    if (event.serial.empty()) return;
    if (event.oldState == DeviceInfo::kUnknownState) {
        deviceKnown(event);
    } else if (event.newState == DeviceInfo::kUnknownState) {
        deviceForgotten(event.serial);
    } else if ((event.newState ^ event.oldState) & DeviceInfo::kPresent) {
        if (DeviceConfigControl* row = rowWithSerial(event.serial))
            row->setConnected((event.newState & DeviceInfo::kPresent) != 0);
    }
}

void MappingDialog::deviceKnown(const DeviceEvent& event) {
    if (DeviceConfigControl* row = rowWithSerial(event.serial)) {
        row->setType(event.type);
        row->setConnected(false);
        return;
    }
    commitRows();
    addRow(event.type, event.serial);
    synchronise();
}

void MappingDialog::deviceForgotten(const std::string& serial) {
    forgetEntrySerial(serial);
    destroyRow(rowWithSerial(serial));
    layout();
}

// ---- settings and messages ---------------------------------------------------------------

bool MappingDialog::presetFolder(std::string& folder, bool warnWhenMissing) const {
    if (QueryPresetPath(services_.settings, folder)) {
        folder = WithoutTrailingSeparator(folder);
        return true;
    }
    if (warnWhenMissing)
        services_.messages.show("Error", "Failed to retrieve preset path", MessageBoxIcon::Warning);
    return false;
}

bool MappingDialog::mappingFolder(std::string& folder) const {
    if (QueryMappingPath(services_.settings, folder)) {
        folder = WithoutTrailingSeparator(folder);
        return true;
    }
    services_.messages.show("Error", "Failed to retrieve mapping path", MessageBoxIcon::Warning);
    return false;
}

void MappingDialog::warn(const std::string& text, const char* caption) {
    services_.messages.show(caption, text, MessageBoxIcon::Warning);
}

}  // namespace qmt
