#pragma once
// What the controller picture needs from the editor that hosts it. All calls come on the
// user-interface thread.

#include <cstdint>
#include <vector>

namespace qmt {

class ControllerPictureHostIf {
  public:
    virtual ~ControllerPictureHostIf() = default;
    // The hovered control changed (88: none): repaint the picture, rebuild the information text.
    virtual void hoverChanged(uint8_t control) = 0;
    // A control was clicked: the editor's selection change (which ignores the control that is
    // already selected).
    virtual void controlClicked(uint8_t control) = 0;
    // The control whose assignments are shown.
    virtual uint8_t selectedControl() = 0;
    // Appends the modifier of every assignment of the selected control; for the assignment
    // open in the panel, the working copy's. 88 may be among them (it is skipped).
    virtual void collectModifiers(std::vector<uint8_t>& modifiers) = 0;
};

}  // namespace qmt
