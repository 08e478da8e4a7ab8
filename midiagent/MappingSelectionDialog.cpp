#include "midiagent/MappingSelectionDialog.h"

namespace qmt {

MappingSelectionDialog::MappingSelectionDialog(std::vector<std::string> names)
    : items_(std::move(names)), current_(items_.empty() ? -1 : 0) {}

void MappingSelectionDialog::choose(int index) {
    if (index >= 0 && static_cast<size_t>(index) < items_.size()) current_ = index;
}

void MappingSelectionDialog::accept() {
    close();
}

void MappingSelectionDialog::cancel() {
    current_ = items_.empty() ? -1 : 0;
    close();
}

void MappingSelectionDialog::close() {
    result_ = current_ < 0 ? std::string() : items_[static_cast<size_t>(current_)];
}

}  // namespace qmt
