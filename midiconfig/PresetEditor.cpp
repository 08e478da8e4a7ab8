#include "midiconfig/PresetEditor.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "devices/MidiBrandIf.h"
#include "midiconfig/PanelLists.h"
#include "model/Catalogue.h"
#include "model/FilePaths.h"
#include "model/Mapping.h"
#include "model/MessageNames.h"
#include "model/MidiSettings.h"
#include "model/PresetFile.h"
#include "platform/AtomicFile.h"

namespace qmt {

namespace {

constexpr const char* kFailedToLoad = "Failed to load preset";
constexpr const char* kFailedToSave = "Failed to save preset";
constexpr const char* kResolutionTooSmall =
    "Display resolution must be atleast 1024 by 768 pixels.";
constexpr const char* kUnsavedPrompt =
    "You have made modifications that have not been saved.\n"
    "Do you want to save these modifications now?";

struct SaveFilter {
    const char* text;
    const char* pattern;
    const char* extension;
};

SaveFilter SaveFilterOf(PresetKind kind) {
    switch (kind) {
        case PresetKind::Kvp:
            return {"KV5 / KV10 MIDI Preset (*.kvp)", "*.kvp", "kvp"};
        case PresetKind::Kap:
            return {"Ardo MIDI Preset (*.kap)", "*.kap", "kap"};
        case PresetKind::Krp:
            return {"Ardo Raw Proto 2009 MIDI Preset (*.krp)", "*.krp", "krp"};
        case PresetKind::Kqp:
            break;
    }
    return {"Ardo Raw MIDI Preset (*.kqp)", "*.kqp", "kqp"};
}

std::string Cut(std::string text, size_t limit) {
    if (text.size() > limit) text.resize(limit);
    return text;
}

const char* Text(const char* text) {
    return text ? text : "";
}

// "Play" or "Play + Menu".
std::string ControlWithModifier(uint8_t control, uint8_t modifier) {
    std::string text = Text(ControlNameOf(control));
    if (modifier != kNoControl) text += std::string(" + ") + Text(ControlNameOf(modifier));
    return text;
}

// "(Trigger)\n    Press: MIDI note - Release: None".
std::string Describe(const Assignment& a) {
    const uint8_t f = a.function;
    std::string text =
        std::string("(") + Text(EventTypeName(f)) + ")\n    " + Text(FirstMessageShortLabel(f)) +
        ": " + Text(MessageKindName(a.messages[0].kind)) + " - " +
        Text(SecondMessageShortLabel(f)) + ": " + Text(MessageKindName(a.messages[1].kind));
    return Cut(text, PresetEditor::kDescriptionLimit);
}

// The preset kind a file extension names (".kvp", ...), ignoring case.
bool KindOfExtension(const std::string& extension, PresetKind& kind) {
    for (PresetKind k : {PresetKind::Kvp, PresetKind::Kap, PresetKind::Krp, PresetKind::Kqp}) {
        if (equalsIgnoreCase(extension, PresetExtension(k))) {
            kind = k;
            return true;
        }
    }
    return false;
}

}  // namespace

PresetEditor::PresetEditor(Services services)
    : services_(std::move(services)),
      panel_(services_.messages),
      detector_(services_.clock ? *services_.clock : steadyClock_) {
    panel_.setListener(this);
}

PresetEditor::~PresetEditor() {
    release();
}

bool PresetEditor::screenLargeEnough(int width, int height, MessageBoxIf& messages) {
    if (width >= kMinimumScreenWidth && height >= kMinimumScreenHeight) return true;
    messages.show("Error", kResolutionTooSmall, MessageBoxIcon::Warning);
    return false;
}

bool PresetEditor::openFile(const std::string& path) {
    std::unique_ptr<PresetDocument> document = PresetDocument::load(path);
    if (!document) {
        warn(kFailedToLoad);
        return false;
    }
    document->mergeApplications(applications_);
    setKind(document->kind());
    document_ = std::move(document);
    path_ = path;
    modified_ = false;
    return true;
}

void PresetEditor::openNew(PresetKind kind) {
    setKind(kind);
    document_.reset();
    path_.clear();
}

void PresetEditor::initialize(ViewIf& view) {
    view_ = &view;
    // Missing pictures leave their layers undrawn; the editor works without them.
    picture_.load();
    selected_ = firstButtonOf(kind_);
    if (document_) {
        showSelectedList();
        view_->setTitle(title());
        rebuildInformation();
    } else {
        newPreset(kind_);
    }
    startLiveInput();
}

// Without a poller the editor works as before, only without live input.
void PresetEditor::startLiveInput() {
    if (!services_.devices || !services_.hidFiles) return;
    poller_ = QmtHidMultiPoller::create(*services_.devices, *services_.hidFiles, filter_);
    if (poller_ && !poller_->start()) poller_.reset();
}

void PresetEditor::setKind(PresetKind kind) {
    kind_ = kind;
    picture_.setKind(kind);
    detector_.setPresetKind(kind);
}

void PresetEditor::stateReport(const HidControlState& state) {
    const uint8_t control = detector_.detect(state);
    if (control != kNoControl && view_) view_->postLiveSelection(control);
}

void PresetEditor::collectModifiers(std::vector<uint8_t>& modifiers) {
    const std::vector<uint8_t> selected = selectedModifiers();
    modifiers.insert(modifiers.end(), selected.begin(), selected.end());
}

uint8_t PresetEditor::firstButtonOf(PresetKind kind) {
    return ControlsOf(ModelOfKind(kind))->buttons[0];
}

void PresetEditor::selectControl(uint8_t control) {
    if (!document_ || control >= kControlCount || control == selected_) return;
    if (view_) view_->repaintPicture();
    commit();
    selected_ = control;
    showSelectedList();
    rebuildInformation();
}

void PresetEditor::hoverChanged(uint8_t control) {
    control = std::min(control, kNoControl);
    if (control == hovered_) return;
    hovered_ = control;
    if (view_) view_->repaintPicture();
    rebuildInformation();
}

void PresetEditor::tabChanging() {
    commit();
}

void PresetEditor::tabChanged(int index) {
    const AssignmentList* list = shownList();
    if (!list || index < 0 || index >= static_cast<int>(list->size()) || index == currentTab_)
        return;
    loadTab(index);
    rebuildInformation();
    if (view_) view_->repaintPicture();
}

void PresetEditor::add() {
    AssignmentList* list = shownList();
    if (!list) return;
    Assignment assignment = FromWorking(DefaultWorkingAssignment(selected_));
    if (!list->empty()) commit();
    list->push_back(std::move(assignment));
    modified_ = true;
    loadTab(static_cast<int>(list->size()) - 1);
    rebuildTabs();
    rebuildInformation();
}

void PresetEditor::remove() {
    AssignmentList* list = shownList();
    if (!list || currentTab_ < 0 || currentTab_ >= static_cast<int>(list->size())) return;
    list->erase(list->begin() + currentTab_);
    modified_ = true;
    // The panel's working copy belonged to the removed assignment: nothing commits it.
    panel_.unload();
    if (list->empty()) {
        currentTab_ = -1;
        add();
    } else {
        loadTab(std::min(currentTab_, static_cast<int>(list->size()) - 1));
        rebuildTabs();
    }
    if (view_) view_->repaintPicture();
    rebuildInformation();
}

void PresetEditor::newPreset(PresetKind kind) {
    if (!proceedAfterPrompt()) return;
    replaceDocument(std::make_unique<PresetDocument>(kind), "");
}

void PresetEditor::loadPreset() {
    if (!view_ || !proceedAfterPrompt()) return;
    FileDialogRequest request;
    request.title = "Load preset";
    request.folder = presetFolder();
    request.filterText = "QMT MIDI Preset (*.kap,*.kvp,*.kqp)";
    request.patterns = "*.kap;*.kvp;*.kqp";
    const FileDialogResult chosen = view_->runFileDialog(request);
    if (chosen.outcome != FileDialogResult::Outcome::Chosen) return;
    std::unique_ptr<PresetDocument> document = PresetDocument::load(chosen.path);
    if (!document) {
        warn(kFailedToLoad);
        return;
    }
    document->mergeApplications(applications_);
    replaceDocument(std::move(document), chosen.path);
}

bool PresetEditor::save() {
    if (!document_) return false;
    if (path_.empty()) return saveAs();
    commit();
    if (!writeFile()) {
        warn(kFailedToSave);
        return false;
    }
    modified_ = false;
    if (usedBySelectedMapping(path_) && services_.notifyDriver) services_.notifyDriver();
    return true;
}

bool PresetEditor::saveAs() {
    if (!document_ || !view_) return false;
    const SaveFilter filter = SaveFilterOf(kind_);
    FileDialogRequest request;
    request.save = true;
    request.title = "Save preset";
    request.folder = presetFolder();
    request.filterText = filter.text;
    request.patterns = filter.pattern;
    request.defaultExtension = filter.extension;
    const FileDialogResult chosen = view_->runFileDialog(request);
    if (chosen.outcome == FileDialogResult::Outcome::Cancelled) return true;
    if (chosen.outcome == FileDialogResult::Outcome::Failed) return false;
    path_ = chosen.path;
    view_->setTitle(title());
    if (!save()) {
        warn(kFailedToSave);
        return false;
    }
    return true;
}

void PresetEditor::exit() {
    if (!proceedAfterPrompt()) return;
    release();
    if (view_) view_->endDialog();
}

void PresetEditor::escape() {
    release();
    if (view_) view_->endDialog();
}

void PresetEditor::about() {
    const MidiBrandIf* brand = MidiBrandIf::instance();
    services_.messages.show("About", brand ? brand->getAboutText() : "", MessageBoxIcon::None);
}

void PresetEditor::help() {
    if (view_) view_->openHelp("help.pdf");
}

void PresetEditor::modifierChanged() {
    if (!view_) return;
    view_->repaintPicture();
    rebuildTabs();
    rebuildInformation();
}

void PresetEditor::descriptionChanged() {
    rebuildInformation();
}

std::vector<uint8_t> PresetEditor::selectedModifiers() const {
    std::vector<uint8_t> modifiers;
    const AssignmentList* list = shownList();
    if (!list) return modifiers;
    for (size_t i = 0; i < list->size(); ++i) {
        const bool open = static_cast<int>(i) == currentTab_ && panel_.loaded();
        const uint8_t modifier = open ? panel_.workingCopy().modifier : (*list)[i].modifier;
        if (modifier < kNoControl) modifiers.push_back(modifier);
    }
    return modifiers;
}

std::string PresetEditor::title() const {
    return (path_.empty() ? std::string("New Preset") : FileNameOf(path_)) + " - Preset Editor";
}

std::string PresetEditor::tabLabel(size_t index) const {
    const AssignmentList* list = shownList();
    if (!list || index >= list->size()) return {};
    const bool open = static_cast<int>(index) == currentTab_ && panel_.loaded();
    const uint8_t modifier = open ? panel_.workingCopy().modifier : (*list)[index].modifier;
    return Cut(ControlWithModifier(selected_, modifier), kTabLabelLimit);
}

std::string PresetEditor::information() const {
    if (!document_ || hovered_ >= kControlCount) return {};
    const AssignmentList& list = document_->preset().lists[hovered_];
    std::string text;
    for (size_t i = 0; i < list.size(); ++i) {
        const bool open =
            hovered_ == selected_ && static_cast<int>(i) == currentTab_ && panel_.loaded();
        const Assignment shown = open ? panel_.workingAssignment() : list[i];
        text += Cut(ControlWithModifier(hovered_, shown.modifier) + ": " + Describe(shown) + "\n",
                    kInformationLineLimit);
    }
    return Cut(text, kInformationLimit);
}

bool PresetEditor::usedBySelectedMapping(const std::string& path) const {
    const std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    PresetKind kind;
    if (dot == std::string::npos || !KindOfExtension(name.substr(dot), kind)) return false;
    std::string selected;
    if (!QuerySelectedMapping(services_.registry, selected)) return false;
    const std::string mappingFile = ResolveFileCaseInsensitive(selected);
    std::vector<uint8_t> bytes;
    if (mappingFile.empty() || !ReadWholeFile(mappingFile, bytes, nullptr)) return false;
    const MappingPtr mapping = ParseMapping(bytes);
    if (!mapping) return false;
    const std::string stem = name.substr(0, dot);
    for (const MappingEntry& entry : mapping->entries) {
        for (int slot = 0; slot < kMappingSlots; ++slot) {
            if (entry.slotUsed[slot] && SlotPresetKind(slot) == kind &&
                equalsIgnoreCase(entry.presetNames[slot], stem))
                return true;
        }
    }
    return false;
}

AssignmentList* PresetEditor::shownList() {
    if (!document_ || selected_ >= kControlCount) return nullptr;
    return &document_->preset().lists[selected_];
}

const AssignmentList* PresetEditor::shownList() const {
    if (!document_ || selected_ >= kControlCount) return nullptr;
    return &document_->preset().lists[selected_];
}

// A changed working copy replaces the assignment it was loaded from.
void PresetEditor::commit() {
    AssignmentList* list = shownList();
    if (!list || currentTab_ < 0 || currentTab_ >= static_cast<int>(list->size()) ||
        !panel_.loaded())
        return;
    const Assignment working = panel_.takeWorkingCopy();
    Assignment& stored = (*list)[currentTab_];
    if (SameAssignment(working, stored)) return;
    stored = working;
    modified_ = true;
}

// The selected control's list in the tabs; an empty list gets a new assignment at once, so
// that every selected control shows at least one.
void PresetEditor::showSelectedList() {
    currentTab_ = -1;
    panel_.unload();
    const AssignmentList* list = shownList();
    if (!list) return;
    if (list->empty()) {
        rebuildTabs();
        add();
        return;
    }
    loadTab(0);
    rebuildTabs();
}

void PresetEditor::loadTab(int index) {
    currentTab_ = index;
    panel_.load(kind_, selected_, (*shownList())[index]);
}

void PresetEditor::rebuildTabs() {
    if (!view_) return;
    std::vector<std::string> labels;
    const AssignmentList* list = shownList();
    for (size_t i = 0; list && i < list->size(); ++i)
        labels.push_back(tabLabel(i));
    view_->setTabs(labels, currentTab_);
}

void PresetEditor::rebuildInformation() {
    if (view_) view_->setInformation(information());
}

void PresetEditor::replaceDocument(std::unique_ptr<PresetDocument> document,
                                   const std::string& path) {
    currentTab_ = -1;
    document_ = std::move(document);
    setKind(document_->kind());
    path_ = path;
    modified_ = false;
    showSelectedList();
    if (view_) {
        view_->setTitle(title());
        view_->repaintPicture();
    }
    rebuildInformation();
}

// Before a load, a new preset or closing: unsaved changes may be saved first. False when the
// action must stop.
bool PresetEditor::proceedAfterPrompt() {
    if (!document_) return true;
    commit();
    if (!modified_) return true;
    switch (services_.messages.show("Exit", kUnsavedPrompt, MessageBoxIcon::Warning,
                                    MessageBoxButtons::YesNoCancel)) {
        case MessageBoxAnswer::Yes:
            return save();
        case MessageBoxAnswer::No:
            return true;
        default:
            return false;
    }
}

bool PresetEditor::writeFile() {
    std::vector<uint8_t> bytes;
    return document_->serialize(bytes) && ReplaceFileAtomically(path_, bytes);
}

// Everything the editor holds goes, in the order that keeps nothing using what is gone.
void PresetEditor::release() {
    poller_.reset();  // stops its thread before anything it reports to goes
    panel_.unload();
    currentTab_ = -1;
    picture_.release();
    applications_.clear();
    document_.reset();
}

std::string PresetEditor::presetFolder() const {
    std::string folder;
    if (!QueryPresetPath(services_.registry, folder)) return {};
    return WithoutTrailingSeparator(folder);
}

void PresetEditor::warn(const char* text) {
    services_.messages.show("Error", text, MessageBoxIcon::Warning);
}

}  // namespace qmt
