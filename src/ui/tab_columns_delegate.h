// Draws a list's lines with their TAB-separated fields in columns, as a list
// with tab stops shows them: each column as wide as its widest field among
// the list's lines, so that short lines stay short.
#pragma once

#include <QStyledItemDelegate>

#include <vector>

namespace quillet {

class TabColumnsDelegate : public QStyledItemDelegate {
 public:
  // A line holds at most `fields` fields; TABs in the last one show as spaces.
  explicit TabColumnsDelegate(int fields, QObject* parent = nullptr)
      : QStyledItemDelegate(parent), fields_(fields) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  QStringList Fields(const QString& line) const;
  // Where each field starts, from the text's left edge, for the lines of the
  // index's model: read for each line drawn, as such a list holds a few.
  std::vector<int> FieldStarts(const QFontMetrics& metrics, const QModelIndex& index) const;

  int fields_;
};

}  // namespace quillet
