#include "ui/report_model.h"

#include <utility>

#include "core/sites/catalogue.h"
#include "ui/icons.h"
#include "ui/ui_text.h"

namespace quillet {

ReportModel::ReportModel(std::vector<std::string> captions, QObject* parent)
    : QAbstractTableModel(parent), captions_(std::move(captions)), rows_(NewRows()) {
  for (const Site& site : Sites())
    icons_.push_back(SiteIcon(site.number));
}

void ReportModel::AppendRow(std::initializer_list<std::string_view> textsThenUrl, int icon) {
  const int row = rowCount();
  beginInsertRows(QModelIndex(), row, row);
  rows_.Add(textsThenUrl, icon);
  endInsertRows();
}

void ReportModel::Append(TextTable rows) {
  if (rows.Size() == 0) return;
  const int first = rowCount();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.Size()) - 1);
  if (rows_.Size() == 0)
    rows_ = std::move(rows);
  else
    rows_.AddAll(rows);
  endInsertRows();
}

void ReportModel::Reset(TextTable rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

std::string_view ReportModel::Url(int row) const {
  return rows_.Field(static_cast<size_t>(row), captions_.size());
}

int ReportModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.Size());
}

int ReportModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto row = static_cast<size_t>(index.row());
  if (role == Qt::DisplayRole) return UiText(rows_.Field(row, static_cast<size_t>(index.column())));
  if (role == Qt::DecorationRole && index.column() == 0) {
    const int icon = rows_.Icon(row);
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
