// A list view in report style, as the headline list and the log list show
// one: column headers, grid lines, whole-row single selection, no editing.
// Its rows are a ReportModel that the view owns.
// A right-button press over a row selects that row and asks for its menu; a
// double click anywhere in the list, empty space included, is reported. From
// the keyboard, Enter acts as a double click and the Menu key or Shift+F10
// asks for the selected row's menu. The last column takes the rest of the
// width; no column is narrower than its header text.
#pragma once

#include <QTreeView>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/report_model.h"

namespace quillet {

class ReportView : public QTreeView {
 public:
  struct Column {
    std::string caption;  // CP932
    int width;
  };
  explicit ReportView(const std::vector<Column>& columns, QWidget* parent = nullptr);

  ReportModel& Rows() const { return *rows_; }
  // The selected row, or -1.
  int SelectedRow() const;
  // Selects the row, makes it current and scrolls it into view.
  void SelectRow(int row);
  // The URL of the selected row; none when no row is selected.
  std::optional<std::string> SelectedUrl() const;
  // Fits the columns before the last to their contents and headers; an empty
  // list, or one whose columns the user has set, keeps its widths.
  void FitColumns();
  // The widths of the columns before the last ("60,60") once the user has
  // set one (by dragging a divider); "" while they are the program's.
  std::string UserColumnWidths() const;
  // Puts back what UserColumnWidths gave, each column at least as wide as
  // its header text: the columns are the user's from then on. Text that does
  // not read as such widths is passed over.
  void SetUserColumnWidths(std::string_view widths);

  // A right-button press over a row, once that row is the selected one; the
  // argument is the pointer's position on the screen.
  std::function<void(const QPoint& globalPos)> OnRowRightPress;
  // A double click with the left button anywhere in the list.
  std::function<void()> OnDblClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void RequestMenuForSelectedRow();

  ReportModel* rows_;
  bool sizingColumns_ = true;  // the program is setting widths
  bool userSized_ = false;     // the user has set a width
};

}  // namespace quillet
