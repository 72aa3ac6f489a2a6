#include "ui/report_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>
#include <charconv>

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

std::vector<std::string> Captions(const std::vector<ReportView::Column>& columns) {
  std::vector<std::string> captions;
  for (const ReportView::Column& column : columns)
    captions.push_back(column.caption);
  return captions;
}

}  // namespace

ReportView::ReportView(const std::vector<Column>& columns, QWidget* parent)
    : QTreeView(parent), rows_(new ReportModel(Captions(columns), this)) {
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
  setModel(rows_);
  // The last column follows the width of the list; the others start at their
  // designed width, or wider where the header text needs it.
  header()->setStretchLastSection(true);
  header()->setSectionsMovable(false);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    setColumnWidth(i,
                   std::max(columns[static_cast<size_t>(i)].width, header()->sectionSizeHint(i)));
  }
  sizingColumns_ = false;
  // The last column follows the list's width; a change of another one that
  // the program did not make is the user's.
  connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int) {
    if (!sizingColumns_ && column + 1 < rows_->columnCount()) userSized_ = true;
  });
}

int ReportView::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

void ReportView::SelectRow(int row) {
  const QModelIndex at = rows_->index(row, 0);
  setCurrentIndex(at);
  scrollTo(at);
}

std::optional<std::string> ReportView::SelectedUrl() const {
  const int row = SelectedRow();
  if (row < 0) return std::nullopt;
  return std::string(rows_->Url(row));
}

void ReportView::FitColumns() {
  // An empty list keeps the widths it has.
  if (rows_->rowCount() == 0 || userSized_) return;
  // Qt's fit takes the wider of the cells (icon included) and the header.
  sizingColumns_ = true;
  for (int column = 0; column + 1 < rows_->columnCount(); ++column)
    resizeColumnToContents(column);
  sizingColumns_ = false;
}

std::string ReportView::UserColumnWidths() const {
  if (!userSized_) return "";
  std::string widths;
  for (int column = 0; column + 1 < rows_->columnCount(); ++column) {
    if (column > 0) widths += ',';
    widths += std::to_string(columnWidth(column));
  }
  return widths;
}

void ReportView::SetUserColumnWidths(std::string_view widths) {
  std::vector<int> parsed;
  for (size_t pos = 0; pos <= widths.size() && !widths.empty();) {
    const size_t comma = std::min(widths.find(',', pos), widths.size());
    int width = 0;
    const auto [end, error] = std::from_chars(widths.data() + pos, widths.data() + comma, width);
    if (error != std::errc() || end != widths.data() + comma || width < 1 || width > 10000) return;
    parsed.push_back(width);
    pos = comma + 1;
  }
  if (parsed.empty() || static_cast<int>(parsed.size()) + 1 != rows_->columnCount()) return;
  // A width remembered under another font or scale may be too narrow for
  // its header now.
  sizingColumns_ = true;
  for (int column = 0; column < static_cast<int>(parsed.size()); ++column)
    setColumnWidth(
        column, std::max(parsed[static_cast<size_t>(column)], header()->sectionSizeHint(column)));
  sizingColumns_ = false;
  userSized_ = true;
}

void ReportView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QTreeView::mousePressEvent(event);
    return;
  }
  // Over empty space the selection stays as it is and no menu opens.
  event->accept();
  const QModelIndex cell = indexAt(event->position().toPoint());
  if (!cell.isValid()) return;
  setCurrentIndex(cell);
  if (OnRowRightPress) OnRowRightPress(event->globalPosition().toPoint());
}

void ReportView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
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
  QTreeView::keyPressEvent(event);
}

void ReportView::contextMenuEvent(QContextMenuEvent* event) {
  // The mouse is served by the right-button press; this is the Menu key.
  if (event->reason() == QContextMenuEvent::Keyboard) RequestMenuForSelectedRow();
  event->accept();
}

void ReportView::RequestMenuForSelectedRow() {
  const int row = SelectedRow();
  if (row < 0 || !OnRowRightPress) return;
  const QModelIndex first = rows_->index(row, 0);
  scrollTo(first);
  const QRect cell = visualRect(first);
  OnRowRightPress(viewport()->mapToGlobal(QPoint(cell.left() + 8, cell.bottom())));
}

}  // namespace quillet
