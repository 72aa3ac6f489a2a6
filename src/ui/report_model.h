// The rows of a report view as a Qt model: a text per column, a site icon in
// the first column and the URL each row stands for, all kept in one
// TextTable. Texts become Unicode only when the view asks for a row it shows.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "ui/text_table.h"

namespace quillet {

class ReportModel : public QAbstractTableModel {
 public:
  // `captions`: the column headers, CP932.
  explicit ReportModel(std::vector<std::string> captions, QObject* parent = nullptr);

  // An empty table in the model's layout, to fill (on any thread) and hand
  // to Append or Reset: one field per column, then the URL.
  TextTable NewRows() const { return TextTable(captions_.size() + 1); }
  // One row at the end: the column texts, then the URL; `icon` is a site
  // number or -1.
  void AppendRow(std::initializer_list<std::string_view> textsThenUrl, int icon);
  // The rows of `rows` at the end, in one step.
  void Append(TextTable rows);
  // Replaces every row.
  void Reset(TextTable rows);
  void Clear() { Reset(NewRows()); }

  std::string_view Url(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  std::vector<std::string> captions_;
  TextTable rows_;
  std::vector<QIcon> icons_;  // by site number, drawn once
};

}  // namespace quillet
