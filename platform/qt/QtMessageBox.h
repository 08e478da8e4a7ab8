#pragma once
// The message-box interface drawn by Qt Widgets. Boxes are application-modal and centred on
// the owner given at construction (none: on the screen); the owner must outlive this object.

#include "platform/MessageBoxIf.h"

class QWidget;

namespace qmt {

class QtMessageBox final : public MessageBoxIf {
  public:
    explicit QtMessageBox(QWidget* owner = nullptr) : owner_(owner) {}

    MessageBoxAnswer show(const std::string& caption, const std::string& text, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override;

  private:
    QWidget* owner_;
};

}  // namespace qmt
