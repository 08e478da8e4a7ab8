#pragma once
// A control panel view for tests: it mirrors the rows it is told about and remembers the
// state of every control, and runs posted device events only when the test says so (a post
// sets `posted`).

#include <atomic>
#include <string>
#include <vector>

#include "asiopanel/ControlPanelViewIf.h"
#include "common/Event.h"

namespace qmt {

struct FakePanelView final : ControlPanelViewIf {
    struct DropDowns {
        bool shown = false;
        PanelDropDowns pair = PanelDropDowns::Input;
        size_t row = 0;
        int left = -1, right = -1;
    };

    void setColumns(const std::vector<PanelColumnInfo>& c) override { columns = c; }
    void insertRow(size_t position, const std::vector<std::string>& texts) override {
        rows.insert(rows.begin() + static_cast<ptrdiff_t>(position), texts);
    }
    void removeRow(size_t position) override {
        rows.erase(rows.begin() + static_cast<ptrdiff_t>(position));
    }
    void setRowTexts(size_t position, const std::vector<std::string>& texts) override {
        rows.at(position) = texts;
    }
    void selectRow(int position) override { selected = position; }
    void showDropDowns(PanelDropDowns pair, size_t row, int left, int right) override {
        dropDowns = {true, pair, row, left, right};
    }
    void hideDropDowns() override { dropDowns.shown = false; }
    void setApplyEnabled(bool enabled) override { applyEnabled = enabled; }
    void setBufferLengthText(const std::string& text) override { bufferText = text; }
    void setTrackbar(uint32_t maximum, uint32_t position, uint32_t spacing) override {
        trackbarMaximum = maximum;
        trackbarPosition = position;
        tickSpacing = spacing;
    }
    // The only calls that may come from another thread.
    void postDeviceEvents() override {
        ++posts;
        posted.set();
    }
    void bringToFront() override { ++raised; }
    void endDialog(int r) override { result = r; }

    // Column `c` of every row.
    std::vector<std::string> column(size_t c) const {
        std::vector<std::string> texts;
        for (const auto& row : rows)
            texts.push_back(row.at(c));
        return texts;
    }

    std::vector<PanelColumnInfo> columns;
    std::vector<std::vector<std::string>> rows;
    int selected = -1;
    DropDowns dropDowns;
    bool applyEnabled = false;
    std::string bufferText;
    uint32_t trackbarMaximum = 0, trackbarPosition = 0, tickSpacing = 0;
    std::atomic<int> posts{0};
    Event posted{false};
    std::atomic<int> raised{0};
    int result = -1;
};

}  // namespace qmt
