#include "model/PresetDocument.h"

#include <cmath>
#include <limits>

#include "model/PresetFile.h"

namespace qmt {

namespace {

// Calls `fn` for every "Key" message in the lists 0 to `lastControl`.
template <class PresetT, class Fn>
void ForEachKey(PresetT& preset, int lastControl, Fn&& fn) {
    for (int control = 0; control <= lastControl; ++control) {
        for (auto& assignment : preset.lists[control]) {
            for (auto& message : assignment.messages) {
                if (message.kind == kMsgKey) fn(message);
            }
        }
    }
}

// Message `which` of assignment `index` of a control, or null when there is none.
template <class PresetT>
auto* MessageAt(PresetT& preset, uint8_t control, size_t index, int which) {
    decltype(&preset.lists[0][0].messages[0]) none = nullptr;
    if (control >= kControlCount || (which != 0 && which != 1)) return none;
    auto& list = preset.lists[control];
    if (index >= list.size()) return none;
    return &list[index].messages[which];
}

constexpr int kAllControls = kControlCount - 1;
constexpr uint32_t kNoApplication = 0xFFFFFFFF;

std::string BadReference(uint32_t reference, size_t entries) {
    return "a \"Key\" message refers to application " + std::to_string(reference) +
           ", but the list has " + std::to_string(entries) + " entries";
}

}  // namespace

double ThresholdFromFile(int32_t stored) {
    return static_cast<double>(stored) / kThresholdScale;
}

int32_t ThresholdToFile(double threshold) {
    if (std::isnan(threshold)) return 0;
    constexpr double kHighest = std::numeric_limits<int32_t>::max() / kThresholdScale;
    constexpr double kLowest = std::numeric_limits<int32_t>::min() / kThresholdScale;
    double steps = std::floor(threshold + 0.5);
    if (threshold > 0 && steps < 1) steps = 1;
    steps = std::fmin(std::fmax(steps, kLowest), kHighest);
    return static_cast<int32_t>(steps) * kThresholdScale;
}

PresetDocument::PresetDocument(PresetKind kind) : preset_(std::make_unique<Preset>()) {
    const PresetFormat& format = NewestPresetFormat(kind);
    preset_->kind = kind;
    preset_->version = format.version;
}

PresetDocument::PresetDocument(PresetPtr preset, std::vector<ApplicationEntry> applications)
    : preset_(std::move(preset)), applications_(std::move(applications)) {}

std::unique_ptr<PresetDocument> PresetDocument::parse(std::span<const uint8_t> bytes,
                                                      std::string* error) {
    std::vector<ApplicationEntry> applications;
    PresetPtr preset = ParsePreset(bytes, error, &applications);
    if (!preset) return nullptr;
    bool referencesOk = true;
    ForEachKey(*preset, kAllControls, [&](const Message& m) {
        if (m.keyApplication >= applications.size() && referencesOk) {
            referencesOk = false;
            if (error) *error = BadReference(m.keyApplication, applications.size());
        }
    });
    if (!referencesOk) return nullptr;
    return std::unique_ptr<PresetDocument>(
        new PresetDocument(std::move(preset), std::move(applications)));
}

std::unique_ptr<PresetDocument> PresetDocument::load(const std::string& path, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error)) return nullptr;
    std::string why;
    auto document = parse(bytes, &why);
    if (!document && error) *error = "\"" + path + "\": " + why;
    return document;
}

bool PresetDocument::serialize(std::vector<uint8_t>& bytes, std::string* error) const {
    const int lastWritten = NewestPresetFormat(kind()).highestControl;
    std::vector<bool> used(applications_.size(), false);
    bool referencesOk = true;
    ForEachKey(*preset_, lastWritten, [&](const Message& m) {
        if (m.keyApplication < used.size()) {
            used[m.keyApplication] = true;
        } else if (referencesOk) {
            referencesOk = false;
            if (error) *error = BadReference(m.keyApplication, applications_.size());
        }
    });
    if (!referencesOk) return false;
    // Keep the list's order so that a file read and saved again stays the same.
    std::vector<ApplicationEntry> written;
    std::vector<uint32_t> renumbered(applications_.size(), 0);
    for (size_t i = 0; i < applications_.size(); ++i) {
        if (!used[i]) continue;
        renumbered[i] = static_cast<uint32_t>(written.size());
        written.push_back(applications_[i]);
    }
    PresetPtr copy = CopyPreset(*preset_);
    ForEachKey(*copy, lastWritten,
               [&](Message& m) { m.keyApplication = renumbered[m.keyApplication]; });
    bytes = WritePreset(*copy, written);
    return true;
}

bool PresetDocument::save(const std::string& path, std::string* error) const {
    std::vector<uint8_t> bytes;
    std::string why;
    if (!serialize(bytes, &why)) {
        if (error) *error = "cannot save \"" + path + "\": " + why;
        return false;
    }
    return SaveFileAtomically(path, bytes, error);
}

uint32_t PresetDocument::addApplication(const ApplicationEntry& entry) {
    for (size_t i = 0; i < applications_.size(); ++i) {
        if (applications_[i].executablePath == entry.executablePath)
            return static_cast<uint32_t>(i);
    }
    applications_.push_back(entry);
    return static_cast<uint32_t>(applications_.size() - 1);
}

void PresetDocument::mergeApplications(std::vector<ApplicationEntry>& editorList) {
    std::vector<uint32_t> target(applications_.size());
    for (size_t i = 0; i < applications_.size(); ++i) {
        size_t found = 0;
        while (found < editorList.size() &&
               editorList[found].executablePath != applications_[i].executablePath)
            ++found;
        if (found == editorList.size()) editorList.push_back(applications_[i]);
        target[i] = static_cast<uint32_t>(found);
    }
    // A reference that points nowhere must not start pointing at one of the editor's
    // entries; it stays out of range so that saving still reports it.
    ForEachKey(*preset_, kAllControls, [&](Message& m) {
        m.keyApplication =
            m.keyApplication < target.size() ? target[m.keyApplication] : kNoApplication;
    });
    applications_ = editorList;
}

bool PresetDocument::threshold(uint8_t control, size_t index, int which, double& value) const {
    const Message* m = MessageAt(*preset_, control, index, which);
    if (!m) return false;
    value = ThresholdFromFile(m->threshold);
    return true;
}

bool PresetDocument::setThreshold(uint8_t control, size_t index, int which, double value) {
    Message* m = MessageAt(*preset_, control, index, which);
    if (!m) return false;
    m->threshold = ThresholdToFile(value);
    return true;
}

}  // namespace qmt
