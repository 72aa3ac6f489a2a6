#include "ui/tab_columns_delegate.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace quillet {
namespace {

// Between two columns: room for two spaces.
int ColumnGap(const QFontMetrics& metrics) {
  return 2 * metrics.horizontalAdvance(QLatin1Char(' '));
}

// The style's margin on each side of an item's text.
int TextMargin(const QStyleOptionViewItem& option) {
  const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
  return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
}

}  // namespace

QStringList TabColumnsDelegate::Fields(const QString& line) const {
  QStringList fields = line.split(QLatin1Char('\t'));
  while (fields.size() > fields_) {
    const QString last = fields.takeLast();
    fields.last() += QLatin1Char(' ') + last;
  }
  return fields;
}

std::vector<int> TabColumnsDelegate::FieldStarts(const QFontMetrics& metrics,
                                                 const QModelIndex& index) const {
  std::vector<int> widths(static_cast<size_t>(fields_), 0);
  const QAbstractItemModel& model = *index.model();
  for (int row = 0; row < model.rowCount(index.parent()); ++row) {
    const QStringList fields =
        Fields(model.index(row, index.column(), index.parent()).data().toString());
    // The last field of a line ends it: it sets no column's width.
    for (qsizetype k = 0; k + 1 < fields.size(); ++k) {
      int& width = widths[static_cast<size_t>(k)];
      width = std::max(width, metrics.horizontalAdvance(fields[k]));
    }
  }
  std::vector<int> starts{0};
  for (size_t k = 0; k + 1 < widths.size(); ++k)
    starts.push_back(starts.back() + widths[k] + ColumnGap(metrics));
  return starts;
}

void TabColumnsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QStringList fields = Fields(item.text);
  // The row as the style draws it (background, selection, focus), without
  // its text; then the fields at their columns.
  item.text.clear();
  const QWidget* widget = item.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
  const int margin = TextMargin(item);
  const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget)
                         .adjusted(margin, 0, -margin, 0);
  const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (item.state & QStyle::State_Active) ? QPalette::Active
                                                                           : QPalette::Inactive;
  painter->save();
  painter->setFont(item.font);
  painter->setPen(item.palette.color(
      group, (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
  const std::vector<int> starts = FieldStarts(item.fontMetrics, index);
  for (qsizetype k = 0; k < fields.size(); ++k) {
    painter->drawText(text.adjusted(starts[static_cast<size_t>(k)], 0, 0, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, fields[k]);
  }
  painter->restore();
}

QSize TabColumnsDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QStringList fields = Fields(item.text);
  const std::vector<int> starts = FieldStarts(item.fontMetrics, index);
  item.text = fields.join(QLatin1Char(' '));
  QSize size = QStyledItemDelegate::sizeHint(item, index);
  const size_t last = static_cast<size_t>(fields.size() - 1);
  size.setWidth(starts[last] + item.fontMetrics.horizontalAdvance(fields.last()) +
                2 * TextMargin(item));
  return size;
}

}  // namespace quillet
