#include "ui/report_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

#include "ui/ui_text.h"

namespace quillet {
namespace {

// Draws the cell as usual, then its right and bottom edge as grid lines.
class GridLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  // A cell with an icon holds a short label, in a column fitted to the text
  // with less room around the icon than Qt's styles keep: it is shown whole
  // rather than cut to an ellipsis.
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->features & QStyleOptionViewItem::HasDecoration)
      option->textElideMode = Qt::ElideNone;
  }

 public:
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Midlight));
    const QRect r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }
};

}  // namespace

ReportView::ReportView(const std::vector<Column>& columns, QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setItemDelegate(new GridLineDelegate(this));
  setIconSize(QSize(16, 16));

  QStringList captions;
  for (const Column& column : columns)
    captions << UiText(column.caption);
  setHeaderLabels(captions);
  // The last column follows the width of the list; the others start at their
  // designed width, or wider where the header text needs it.
  header()->setStretchLastSection(true);
  header()->setSectionsMovable(false);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    setColumnWidth(i,
                   std::max(columns[static_cast<size_t>(i)].width, header()->sectionSizeHint(i)));
  }
}

int ReportView::TextWidth(const std::string& cp932) const {
  return fontMetrics().horizontalAdvance(UiText(cp932));
}

QTreeWidgetItem* ReportView::SelectedRow() const {
  const QList<QTreeWidgetItem*> rows = selectedItems();
  return rows.isEmpty() ? nullptr : rows.front();
}

void ReportView::FitColumns() {
  // An empty list keeps the widths it has.
  if (topLevelItemCount() == 0) return;
  // Qt's fit takes the wider of the cells (icon included) and the header.
  for (int column = 0; column + 1 < columnCount(); ++column)
    resizeColumnToContents(column);
}

void ReportView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QTreeWidget::mousePressEvent(event);
    return;
  }
  // Over empty space the selection stays as it is and no menu opens.
  event->accept();
  QTreeWidgetItem* row = itemAt(event->position().toPoint());
  if (row == nullptr) return;
  setCurrentItem(row);
  if (OnRowRightPress) OnRowRightPress(event->globalPosition().toPoint());
}

void ReportView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick();
}

void ReportView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && modifiers == Qt::NoModifier) {
    if (OnDblClick) OnDblClick();
    return;
  }
  const bool menuKey = event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier;
  if (menuKey || (event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
    RequestMenuForSelectedRow();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void ReportView::contextMenuEvent(QContextMenuEvent* event) {
  // The mouse is served by the right-button press; this is the Menu key.
  if (event->reason() == QContextMenuEvent::Keyboard) RequestMenuForSelectedRow();
  event->accept();
}

void ReportView::RequestMenuForSelectedRow() {
  QTreeWidgetItem* row = SelectedRow();
  if (row == nullptr || !OnRowRightPress) return;
  scrollToItem(row);
  const QRect cell = visualItemRect(row);
  OnRowRightPress(viewport()->mapToGlobal(QPoint(cell.left() + 8, cell.bottom())));
}

}  // namespace quillet
