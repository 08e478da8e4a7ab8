#pragma once
// The control assignment panel: edits one assignment of one control. The preset editor loads
// an assignment into it, the user edits the working copy, and the editor reads the working
// copy back to commit it. The panel decides what every field shows (PanelState) and how
// every edit is stored; its view only draws the state and reports the user's input.
//
// User-interface thread only.

#include <cstdint>
#include <optional>
#include <string>

#include "midiconfig/PanelLists.h"
#include "midiconfig/PanelState.h"
#include "midiconfig/WorkingAssignment.h"
#include "model/Preset.h"
#include "platform/MessageBoxIf.h"

namespace qmt {

class ActionControl {
  public:
    // The editor, told about changes that concern it.
    class ListenerIf {
      public:
        virtual ~ListenerIf() = default;
        // The working copy's modifier changed: tab label, picture and information text follow.
        virtual void modifierChanged() = 0;
        // The working copy changed in a way its description shows (event type, message kind).
        virtual void descriptionChanged() = 0;
    };

    class ViewIf {
      public:
        virtual ~ViewIf() = default;
        // Shows the whole state; called after every change. The view changes only what
        // differs from what it shows, so a field being typed into keeps its cursor.
        virtual void showPanel(const PanelState& state, const ListItems& functionItems) = 0;
    };

    // Fields of the top area that take typed numbers.
    enum class TopField : uint8_t { ReleaseTimeout, Interval };

    explicit ActionControl(MessageBoxIf& messages);

    void setView(ViewIf* view);
    void setListener(ListenerIf* listener) { listener_ = listener; }

    // Shows `assignment` of `control` in a preset of `kind`: its working copy replaces the
    // previous one.
    void load(PresetKind kind, uint8_t control, const Assignment& assignment);
    bool loaded() const { return loaded_; }
    // Forgets the working copy (the editor is closing or shows another preset).
    void unload() {
        loaded_ = false;
        pending_.reset();
    }
    uint8_t control() const { return control_; }
    const WorkingAssignment& workingCopy() const { return working_; }
    // The working copy in the preset's form, as a commit stores it. Text still being typed
    // into a field is taken first, as if the field had lost the focus.
    Assignment takeWorkingCopy();
    // The working copy in the preset's form, as it stands.
    Assignment workingAssignment() const { return FromWorking(working_); }

    const PanelState& state() const { return state_; }
    const ListItems& functionItems() const { return functionItems_; }

    // Input from the view. Indexes are positions in the lists of PanelLists.h.
    void chooseModifier(int index);
    void chooseFunction(int index);
    void setInverted(bool inverted);
    void chooseTop(TopField field, int index);
    void typeTop(TopField field, const std::string& text);
    void leaveTop(TopField field);
    // A list entry chosen (list fields and the entries of the editable fields).
    void choose(int half, HalfField field, int index);
    // The text of an editable field changed (14-bit values, percentage, extended message).
    void type(int half, HalfField field, const std::string& text);
    // An editable field lost the focus.
    void leave(int half, HalfField field);
    void moveTrackbar(int half, int position);

  private:
    struct Pending {
        int half;  // -1 for the top area
        int field;
        int partnerOrigin;  // a min/max partner's value when typing began
    };

    void applyEventType();
    void layoutHalf(int half);
    void showValues(int half);
    void showThreshold(int half);
    void storeNumber(int half, HalfField field, long value, bool typed);
    void keepOrdered(int half, HalfField field, int value, bool typed);
    void showTopTexts();
    void parseExtended(int half);
    void refresh();
    FieldState& fieldState(int half, HalfField field) { return state_.halves[half].field(field); }

    MessageBoxIf& messages_;
    ViewIf* view_ = nullptr;
    ListenerIf* listener_ = nullptr;

    bool loaded_ = false;
    PresetKind kind_ = PresetKind::Kvp;
    uint8_t control_ = kNoControl;
    WorkingAssignment working_;
    ListItems functionItems_;
    PanelState state_;
    std::optional<Pending> pending_;  // a field being typed into
};

}  // namespace qmt
