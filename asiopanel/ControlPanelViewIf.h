#pragma once
// What the control panel's logic asks of its window. The logic owns the rows and every rule;
// the view mirrors them: it draws the list it is told about and reports what the user does.
//
// Threads: every call comes from the window's own thread except postDeviceEvents() and
// bringToFront(), which come from the registry's polling thread and the panel-open worker and
// must only hand the work over to the window's thread.

#include <cstddef>
#include <string>
#include <vector>

#include "asiopanel/ControlPanelRows.h"

namespace qmt {

enum class PanelDropDowns : uint8_t { Input, Output };

class ControlPanelViewIf {
  public:
    virtual ~ControlPanelViewIf() = default;

    virtual void setColumns(const std::vector<PanelColumnInfo>& columns) = 0;
    // `texts` has one entry per column, in column order.
    virtual void insertRow(size_t position, const std::vector<std::string>& texts) = 0;
    virtual void removeRow(size_t position) = 0;
    virtual void setRowTexts(size_t position, const std::vector<std::string>& texts) = 0;
    // Selects a row (-1: none) without reporting it back.
    virtual void selectRow(int position) = 0;

    // Shows one pair of drop-downs over the row's two channel cells with these items chosen
    // (-1 leaves a drop-down's choice as it is), hiding the other pair.
    virtual void showDropDowns(PanelDropDowns pair, size_t row, int leftItem, int rightItem) = 0;
    virtual void hideDropDowns() = 0;

    virtual void setApplyEnabled(bool enabled) = 0;
    virtual void setBufferLengthText(const std::string& text) = 0;
    virtual void setTrackbar(uint32_t maximum, uint32_t position, uint32_t tickSpacing) = 0;

    // Any thread: the logic's processDeviceEvents() is to run on the window's thread soon.
    virtual void postDeviceEvents() = 0;
    // Any thread: raise the window (restoring it when minimised).
    virtual void bringToFront() = 0;
    // Ends the dialog with this result (0: cancelled).
    virtual void endDialog(int result) = 0;
};

}  // namespace qmt
