#pragma once
// The dialog that asks for a mapping when none is selected at start: a caption, a line of
// text, a drop-down list of the mappings and OK / Cancel. The logic owns the list and the
// rules; a view (MappingSelectionViewIf) shows it modally and forwards the user's input.

#include <optional>
#include <string>
#include <vector>

namespace qmt {

class MappingSelectionDialog {
  public:
    static constexpr const char* kCaption = "QMT MIDI Agent";
    static constexpr const char* kText =
        "There is not currently a selected MIDI mapping.\nUse the list to choose one.";
    // The opened list is this many times the height of the closed one.
    static constexpr int kListHeightFactor = 5;

    // The names in list order; the first one is shown at opening.
    explicit MappingSelectionDialog(std::vector<std::string> names);

    const std::vector<std::string>& items() const { return items_; }
    // The item shown, -1 for an empty list.
    int currentIndex() const { return current_; }

    // The user picked another item.
    void choose(int index);
    // OK: the item shown is chosen.
    void accept();
    // Cancel, Escape or closing the window: the list goes back to its first item, and that
    // one is chosen.
    void cancel();

    // What the dialog chose once it closed: the shown item's text (empty for an empty list),
    // nothing while it is open.
    const std::optional<std::string>& result() const { return result_; }

  private:
    void close();

    std::vector<std::string> items_;
    int current_ = -1;
    std::optional<std::string> result_;
};

class MappingSelectionViewIf {
  public:
    virtual ~MappingSelectionViewIf() = default;
    // Shows the dialog modally; returns once accept() or cancel() has been called.
    virtual void run(MappingSelectionDialog& dialog) = 0;
};

}  // namespace qmt
