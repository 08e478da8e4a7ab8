#pragma once
// Where the program's windows open: centred on the primary screen, as their templates ask.

class QWidget;

namespace qmt {

// Sizes the window to its contents and centres its frame on the primary screen.
void CentreOnPrimaryScreen(QWidget& window);

}  // namespace qmt
