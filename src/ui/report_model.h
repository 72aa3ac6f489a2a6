// The rows of a report view as a Qt model: a text per column, a site icon in
// the first column and the URL each row stands for, kept in the TextTables
// they were appended in, so that appending never copies the rows already
// there. Texts become Unicode only when the
// view asks for a row it shows.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
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
  // How a row stands out: bold, and on a highlight background.
  enum Mark : uint8_t { kBold = 1, kHighlighted = 2 };

  // One row at the end: the column texts, then the URL; `icon` is a site
  // number or -1; `marks` a combination of Mark.
  void AppendRow(std::initializer_list<std::string_view> textsThenUrl, int icon, uint8_t marks = 0);
  uint8_t Marks(int row) const;
  void SetMarks(int row, uint8_t marks);
  // The rows of `tables` at the end, in one step, taken over as they are.
  void Append(std::vector<TextTable> tables);
  // Replaces every row.
  void Reset(TextTable rows);
  void Clear() { Reset(NewRows()); }

  std::string_view Url(int row) const;
  std::string_view Text(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  // The block holding `row` and the row's place in it.
  std::pair<const TextTable*, size_t> Locate(int row) const;

  std::vector<std::string> captions_;
  std::vector<TextTable> blocks_;
  std::vector<size_t> blockEnds_;  // rows up to the end of each block
  std::vector<QIcon> icons_;       // by site number, drawn once
  std::vector<uint8_t> marks_;     // by row, up to the last marked row
};

}  // namespace quillet
