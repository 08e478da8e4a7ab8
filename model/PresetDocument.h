#pragma once
// The configuration program's view of a preset file: the preset together with its
// application list, which "Key" messages refer to by index, and thresholds as the panel's
// floating-point numbers.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/Preset.h"

namespace qmt {

// The file stores thresholds in 1/4096 steps of the panel's number.
constexpr int32_t kThresholdScale = 4096;

// The panel's threshold for a stored value: stored / 4096.
double ThresholdFromFile(int32_t stored);
// The stored value for a panel threshold: ⌊t + 0.5⌋ × 4096, kept within the 32-bit field.
// A positive threshold never becomes 0 (that would make the preset invalid); NaN gives 0.
int32_t ThresholdToFile(double threshold);

class PresetDocument {
  public:
    explicit PresetDocument(PresetKind kind = PresetKind::Kvp);

    // Reads a preset file of any version. Fails when a "Key" message refers to an entry the
    // application list does not have.
    static std::unique_ptr<PresetDocument> parse(std::span<const uint8_t> bytes,
                                                 std::string* error = nullptr);
    static std::unique_ptr<PresetDocument> load(const std::string& path,
                                                std::string* error = nullptr);

    // The newest format of the kind. Only the application entries some "Key" message refers
    // to are written, and the references follow their new positions. Fails when a "Key"
    // message refers past the list.
    bool serialize(std::vector<uint8_t>& bytes, std::string* error = nullptr) const;
    bool save(const std::string& path, std::string* error = nullptr) const;

    Preset& preset() { return *preset_; }
    const Preset& preset() const { return *preset_; }
    PresetKind kind() const { return preset_->kind; }

    const std::vector<ApplicationEntry>& applications() const { return applications_; }
    // The index of the entry with this executable path, added at the end when there is none.
    uint32_t addApplication(const ApplicationEntry& entry);

    // Merges this document's entries into an editor's list by executable path (entries the
    // editor lacks are appended), points every "Key" reference at the editor's index, and
    // takes the merged list as the document's own.
    void mergeApplications(std::vector<ApplicationEntry>& editorList);

    // Threshold of message `which` (0 or 1) of an assignment, as the panel shows it.
    // False when the control, assignment or message does not exist.
    bool threshold(uint8_t control, size_t index, int which, double& value) const;
    bool setThreshold(uint8_t control, size_t index, int which, double value);

  private:
    explicit PresetDocument(PresetPtr preset, std::vector<ApplicationEntry> applications);

    PresetPtr preset_;
    std::vector<ApplicationEntry> applications_;
};

}  // namespace qmt
