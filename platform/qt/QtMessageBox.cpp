#include "platform/qt/QtMessageBox.h"

#include <QMessageBox>
#include <QString>

namespace qmt {

namespace {

QMessageBox::Icon iconOf(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::Information:
            return QMessageBox::Information;
        case MessageBoxIcon::Warning:
            return QMessageBox::Warning;
        case MessageBoxIcon::Error:
            return QMessageBox::Critical;
        case MessageBoxIcon::Question:
            return QMessageBox::Question;
        case MessageBoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(MessageBoxButtons buttons) {
    switch (buttons) {
        case MessageBoxButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageBoxButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageBoxButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageBoxButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        case MessageBoxButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

}  // namespace

MessageBoxAnswer QtMessageBox::show(const std::string& caption, const std::string& text,
                                    MessageBoxIcon icon, MessageBoxButtons buttons) {
    // The programs' 8-bit texts are in the system's code page, which on Linux is UTF-8.
    QMessageBox box(iconOf(icon), QString::fromUtf8(caption), QString::fromUtf8(text),
                    buttonsOf(buttons), owner_);
    box.setWindowModality(Qt::ApplicationModal);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return MessageBoxAnswer::Ok;
        case QMessageBox::Yes:
            return MessageBoxAnswer::Yes;
        case QMessageBox::No:
            return MessageBoxAnswer::No;
        case QMessageBox::Retry:
            return MessageBoxAnswer::Retry;
        case QMessageBox::Cancel:
            return MessageBoxAnswer::Cancel;
        default:
            return ClosedAnswerOf(buttons);
    }
}

}  // namespace qmt
