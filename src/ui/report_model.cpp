#include "ui/report_model.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <utility>

#include "core/sites/catalogue.h"
#include "ui/icons.h"
#include "ui/ui_text.h"

namespace quillet {
namespace {

// A tint of the palette's selection colour over its base: text in the
// palette's text colour reads on it in light and dark themes alike.
QColor HighlightBackground() {
  const QPalette palette = QGuiApplication::palette();
  const QColor base = palette.color(QPalette::Base);
  const QColor tint = palette.color(QPalette::Highlight);
  const auto mix = [](int a, int b) { return (a * 7 + b * 3) / 10; };
  return QColor(mix(base.red(), tint.red()), mix(base.green(), tint.green()),
                mix(base.blue(), tint.blue()));
}

}  // namespace

ReportModel::ReportModel(std::vector<std::string> captions, QObject* parent)
    : QAbstractTableModel(parent), captions_(std::move(captions)) {
  for (const Site& site : Sites())
    icons_.push_back(SiteIcon(site.number));
}

void ReportModel::AppendRow(std::initializer_list<std::string_view> textsThenUrl, int icon,
                            uint8_t marks) {
  const int row = rowCount();
  if (marks != 0) {
    marks_.resize(static_cast<size_t>(row) + 1);
    marks_.back() = marks;
  }
  beginInsertRows(QModelIndex(), row, row);
  if (blocks_.empty()) {
    blocks_.push_back(NewRows());
    blockEnds_.push_back(0);
  }
  blocks_.back().Add(textsThenUrl, icon);
  ++blockEnds_.back();
  endInsertRows();
}

void ReportModel::Append(std::vector<TextTable> tables) {
  size_t count = 0;
  for (const TextTable& table : tables)
    count += table.Size();
  if (count == 0) return;
  const int first = rowCount();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(count) - 1);
  size_t end = static_cast<size_t>(first);
  for (TextTable& table : tables) {
    if (table.Size() == 0) continue;
    end += table.Size();
    blockEnds_.push_back(end);
    blocks_.push_back(std::move(table));
  }
  endInsertRows();
}

uint8_t ReportModel::Marks(int row) const {
  const auto at = static_cast<size_t>(row);
  return at < marks_.size() ? marks_[at] : 0;
}

void ReportModel::SetMarks(int row, uint8_t marks) {
  if (Marks(row) == marks) return;
  const auto at = static_cast<size_t>(row);
  if (at >= marks_.size()) marks_.resize(at + 1);
  marks_[at] = marks;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void ReportModel::Reset(TextTable rows) {
  beginResetModel();
  marks_.clear();
  blocks_.clear();
  blockEnds_.clear();
  if (rows.Size() > 0) {
    blockEnds_.push_back(rows.Size());
    blocks_.push_back(std::move(rows));
  }
  endResetModel();
}

std::pair<const TextTable*, size_t> ReportModel::Locate(int row) const {
  const auto at = static_cast<size_t>(row);
  const size_t block = static_cast<size_t>(
      std::upper_bound(blockEnds_.begin(), blockEnds_.end(), at) - blockEnds_.begin());
  return {&blocks_[block], block == 0 ? at : at - blockEnds_[block - 1]};
}

std::string_view ReportModel::Url(int row) const {
  const auto [block, at] = Locate(row);
  return block->Field(at, captions_.size());
}

std::string_view ReportModel::Text(int row, int column) const {
  const auto [block, at] = Locate(row);
  return block->Field(at, static_cast<size_t>(column));
}

int ReportModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || blockEnds_.empty() ? 0 : static_cast<int>(blockEnds_.back());
}

int ReportModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto [block, row] = Locate(index.row());
  if (role == Qt::DisplayRole)
    return UiText(block->Field(row, static_cast<size_t>(index.column())));
  if (role == Qt::FontRole && (Marks(index.row()) & kBold) != 0) {
    QFont bold;
    bold.setBold(true);
    return bold;
  }
  if (role == Qt::BackgroundRole && (Marks(index.row()) & kHighlighted) != 0)
    return HighlightBackground();
  if (role == Qt::DecorationRole && index.column() == 0) {
    const int icon = block->Icon(row);
    if (icon >= 0 && static_cast<size_t>(icon) < icons_.size())
      return icons_[static_cast<size_t>(icon)];
  }
  return {};
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      static_cast<size_t>(section) >= captions_.size())
    return {};
  return UiText(captions_[static_cast<size_t>(section)]);
}

}  // namespace quillet
