#pragma once
// The list of mapping files the tray menu and the selection dialog offer. Names are the file
// names without ".kdm", in ascending byte order (an equal name goes after the ones already
// there). Names that share the text before " - " form a group, which the menu shows as a
// submenu once it has two or more members.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qmt {

struct MappingListEntry {
    std::string name;
    bool selected = false;
    size_t leader = 0;                // index of the entry that leads this one's group
    std::optional<size_t> separator;  // where the name's " - " part starts
    size_t memberCount = 0;           // on a leader: entries in its group, itself included
    bool groupHasSelected = false;    // on a leader
};

class MappingList {
  public:
    MappingList() = default;
    // Sorts the names and forms the groups; an entry is selected when its name equals
    // `selectedName` ignoring case.
    MappingList(std::vector<std::string> names, const std::optional<std::string>& selectedName);

    const std::vector<MappingListEntry>& entries() const { return entries_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const MappingListEntry& operator[](size_t index) const { return entries_[index]; }

    // The text before an entry's separator (the whole name without one).
    std::string prefixOf(size_t index) const;
    // The text after the separator: blanks, one '-' and blanks again skipped.
    std::string memberTextOf(size_t index) const;

  private:
    void formGroups(const std::optional<std::string>& selectedName);

    std::vector<MappingListEntry> entries_;
};

// Where a name's group prefix ends: its first '-', moved back over the spaces before it;
// nothing when there is no '-' or the spaces reach the start of the name.
std::optional<size_t> MappingSeparatorOf(const std::string& name);

// The selected mapping's name: the path's part after its last '\' or '/', cut at its last
// '.'.
std::string SelectedMappingNameOf(const std::string& selectedPath);

// The mapping names in a folder: every file whose name ends in ".kdm" in any letter case,
// without those four characters, in the byte order of the file names. Empty when the folder
// cannot be read.
std::vector<std::string> MappingNamesInFolder(const std::string& folder);

}  // namespace qmt
