#include "midiagent/qt/QtMappingSelectionView.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace qmt {

QDialog* QtMappingSelectionView::create(MappingSelectionDialog& dialog) {
    auto* window = new QDialog;
    window->setWindowTitle(QString::fromUtf8(MappingSelectionDialog::kCaption));
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(QString::fromUtf8(MappingSelectionDialog::kText)));

    auto* list = new QComboBox;
    list->setObjectName(QStringLiteral("mappings"));
    for (const std::string& name : dialog.items())
        list->addItem(QString::fromUtf8(name));
    list->setCurrentIndex(dialog.currentIndex());
    // The opened list is five times the height of the closed box, which holds one item of
    // those five.
    list->setMaxVisibleItems(MappingSelectionDialog::kListHeightFactor - 1);
    layout->addWidget(list);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    layout->addWidget(buttons);

    QObject::connect(list, &QComboBox::currentIndexChanged, window,
                     [&dialog](int index) { dialog.choose(index); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, window, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::reject);
    QObject::connect(window, &QDialog::accepted, window, [&dialog] { dialog.accept(); });
    QObject::connect(window, &QDialog::rejected, window, [&dialog, list] {
        dialog.cancel();
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(dialog.currentIndex());
    });
    return window;
}

void QtMappingSelectionView::run(MappingSelectionDialog& dialog) {
    std::unique_ptr<QDialog> window(create(dialog));
    window->exec();
}

}  // namespace qmt
