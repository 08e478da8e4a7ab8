#pragma once
// The rules of the two small name dialogs of the preset list: "Rename preset" and
// "Duplicate preset". Both have a prompt, an edit field and "Ok"/"Cancel"; a name is valid
// when no listed preset of the preset's kind already has it (renaming also accepts the old
// name), and "Ok" is enabled for a valid name that is not empty.

#include <cstddef>
#include <string>
#include <vector>

#include "midiconfig/PresetInfoShort.h"

namespace qmt {

class PresetNameDialog {
  public:
    enum class Purpose { Rename, Duplicate };
    static constexpr size_t kMaxNameLength = 260;
    static constexpr size_t kMaxPromptLength = 323;

    // `presets` must outlive the dialog.
    PresetNameDialog(Purpose purpose, const std::vector<PresetInfoShort>& presets,
                     const PresetInfoShort& preset, std::string initialName);

    const char* caption() const;
    Purpose purpose() const { return purpose_; }
    // The edit field changed (longer texts are cut to its 260 characters).
    void setText(const std::string& text);
    const std::string& text() const { return text_; }
    bool valid() const;
    bool okEnabled() const;
    std::string prompt() const;

  private:
    bool nameTaken() const;
    bool fitsFileSystem() const;

    const Purpose purpose_;
    const std::vector<PresetInfoShort>& presets_;
    const std::string oldName_;
    const PresetKind kind_;
    std::string text_;
};

// The name a duplicate starts with: "Copy of NAME", else "Copy of NAME(2)", "(3)" ... until
// no listed preset of any kind has it.
std::string DuplicateNameFor(const std::vector<PresetInfoShort>& presets,
                             const std::string& displayName);

}  // namespace qmt
