#include "midiconfig/qt/PresetNameDialogView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qmt {

PresetNameDialogView::PresetNameDialogView(PresetNameDialog& dialog, QWidget* owner)
    : QDialog(owner), dialog_(dialog), units_(DialogUnits::dialogFont()) {
    setFont(DialogUnits::dialogFont());
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(dialog_.caption());
    setFixedSize(units_.x(kWidthUnits), units_.y(kHeightUnits));
    prompt_ = new QLabel(this);
    prompt_->setGeometry(units_.rect(5, 3, 109, 16));
    prompt_->setWordWrap(true);
    prompt_->setTextFormat(Qt::PlainText);
    edit_ = new QLineEdit(QString::fromStdString(dialog_.text()), this);
    edit_->setGeometry(units_.rect(3, 20, 114, 12));
    edit_->setMaxLength(int(PresetNameDialog::kMaxNameLength));
    edit_->selectAll();
    ok_ = new QPushButton("Ok", this);
    ok_->setGeometry(units_.rect(140, 3, 40, 15));
    ok_->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setGeometry(units_.rect(140, 20, 40, 15));
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        dialog_.setText(text.toStdString());
        showState();
    });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showState();
}

void PresetNameDialogView::showState() {
    prompt_->setText(QString::fromStdString(dialog_.prompt()));
    ok_->setEnabled(dialog_.okEnabled());
}

}  // namespace qmt
