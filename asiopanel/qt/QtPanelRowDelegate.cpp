#include "asiopanel/qt/QtPanelRowDelegate.h"

#include <QApplication>
#include <QPainter>

namespace qmt {

namespace {
constexpr int kTextIndent = 2;
}  // namespace

QtPanelRowDelegate::QtPanelRowDelegate(int rowHeight, QPixmap removalMark, QObject* parent)
    : QStyledItemDelegate(parent), rowHeight_(rowHeight), removalMark_(std::move(removalMark)) {}

QSize QtPanelRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), rowHeight_);
}

QRect QtPanelRowDelegate::removalMarkRect(const QRect& cell) const {
    if (removalMark_.isNull()) return {};
    const QSize size = removalMark_.deviceIndependentSize().toSize();
    return QRect(cell.right() + 1 - size.width(), cell.top() + (cell.height() - size.height()) / 2,
                 size.width(), size.height());
}

void QtPanelRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette& palette = option.palette;
    painter->save();
    painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
    painter->setPen(selected ? palette.color(QPalette::HighlightedText)
                             : palette.color(QPalette::Text));
    painter->setFont(option.font);
    QRect textRect = option.rect.adjusted(kTextIndent, 0, 0, 0);
    const bool deviceCell = index.column() == 0;
    if (deviceCell && !removalMark_.isNull())
        textRect.setRight(removalMarkRect(option.rect).left());
    // Plain text on one line: no mnemonic underlines, no wrapping.
    const QString text = index.data(Qt::DisplayRole).toString();
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    // The mark belongs to the device, so it stands on the row that names it.
    if (deviceCell && !removalMark_.isNull() && !text.isEmpty())
        painter->drawPixmap(removalMarkRect(option.rect), removalMark_);
    painter->restore();
}

}  // namespace qmt
