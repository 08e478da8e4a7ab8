#include "midiconfig/qt/FileDialogs.h"

#include <QFileDialog>

namespace qmt {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// A Qt name filter that shows the request's filter text and matches its patterns in either
// case (files often come from systems whose names ignore case).
QString NameFilter(const PresetEditor::FileDialogRequest& request) {
    QStringList patterns;
    for (const QString& pattern : ToQt(request.patterns).split(';', Qt::SkipEmptyParts))
        patterns << pattern << pattern.toUpper();
    return ToQt(request.filterText) + " (" + patterns.join(' ') + ")";
}

}  // namespace

PresetEditor::FileDialogResult RunFileDialog(QWidget* owner,
                                             const PresetEditor::FileDialogRequest& request) {
    QFileDialog dialog(owner, ToQt(request.title), ToQt(request.folder));
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(NameFilter(request));
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    using Outcome = PresetEditor::FileDialogResult::Outcome;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {Outcome::Cancelled, {}};
    return {Outcome::Chosen, dialog.selectedFiles().first().toStdString()};
}

}  // namespace qmt
