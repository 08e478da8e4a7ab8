#pragma once
// Draws the control panel's rows the way the list has always looked: the whole row in the
// highlight colours when selected, else in the window colours; every cell one line of plain
// text, vertically centred, 2 pixels in; and, for brands that may remove absent devices, the
// removal mark at the right end of the Device cell that names the device. Rows are as tall as a
// drop-down, so the drop-downs placed over a row's channel cells fit it.

#include <QPixmap>
#include <QStyledItemDelegate>

namespace qmt {

class QtPanelRowDelegate final : public QStyledItemDelegate {
  public:
    QtPanelRowDelegate(int rowHeight, QPixmap removalMark, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where the removal mark sits in a Device cell: the mark's size at the cell's right end,
    // vertically centred. Empty when there is no mark to draw.
    QRect removalMarkRect(const QRect& cell) const;

  private:
    int rowHeight_;
    QPixmap removalMark_;  // null: not drawn
};

}  // namespace qmt
