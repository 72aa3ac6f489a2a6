// The report view every list of the program uses: mouse, keys and columns.
#include <QHeaderView>
#include <QVBoxLayout>

#include "program_windows.h"

namespace quillet {
namespace {

TEST(ReportViewTest, MouseAndKeysOpenRowsAndAskForTheirMenuAndTheLastColumnFollowsTheWidth) {
  QWidget window;
  // Designed narrower than the header texts, as the search window's are.
  auto* list = new ReportView({{CP932("サイト"), 20}, {CP932("ジャンル"), 20}, {"x", 100}});
  (new QVBoxLayout(&window))->addWidget(list);
  window.resize(500, 300);
  window.show();
  for (const char* site : {"YOL", "CNN", "ZAKZAK"})
    list->Rows().AppendRow({site, "", "", ""}, 0);
  int doubleClicks = 0;
  std::vector<QPoint> menus;  // where each menu was asked for, on the screen
  list->OnDblClick = [&] { ++doubleClicks; };
  list->OnRowRightPress = [&](const QPoint& at) { menus.push_back(at); };
  const auto press = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(list, &event);
  };
  const auto row = [&](int r) { return list->visualRect(list->Rows().index(r, 0)).center(); };
  QWidget* viewport = list->viewport();
  const QPoint empty(20, viewport->height() - 5);
  press(Qt::Key_Menu);  // nothing selected: no menu
  test::SelectRow(*list, 0);
  test::SendMouse(viewport, QEvent::MouseButtonPress, row(1), Qt::RightButton);
  test::SendMouse(viewport, QEvent::MouseButtonPress, empty, Qt::RightButton);  // no menu
  EXPECT_EQ(list->SelectedRow(), 1);
  EXPECT_EQ(menus, std::vector<QPoint>{viewport->mapToGlobal(row(1))});

  // A double click anywhere, empty space included, and Enter open.
  test::SendMouse(viewport, QEvent::MouseButtonDblClick, empty, Qt::LeftButton);
  test::SendMouse(viewport, QEvent::MouseButtonDblClick, row(2), Qt::LeftButton);
  press(Qt::Key_Return);
  press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(doubleClicks, 4);

  // The Menu key and Shift+F10 ask for the selected row's menu, at that row.
  menus.clear();
  test::SelectRow(*list, 1);
  press(Qt::Key_Menu);
  press(Qt::Key_F10, Qt::ShiftModifier);
  press(Qt::Key_F10);  // without Shift: not a menu key
  ASSERT_EQ(menus.size(), 2u);
  for (const QPoint& at : menus)
    EXPECT_EQ(list->indexAt(viewport->mapFromGlobal(at)).row(), 1);
  EXPECT_EQ(doubleClicks, 4);

  // The last column follows the list's width. Remembered widths that do not
  // fit the columns are passed over; one narrower than its header gives way.
  const QString genre = QStringLiteral("a genre wider than its header");
  list->Rows().AppendRow({"YOL", "a genre wider than its header", "", ""}, 0);
  list->FitColumns();  // with room for the icon beside the text
  EXPECT_GT(list->columnWidth(1), list->fontMetrics().horizontalAdvance(genre));
  window.resize(700, 300);
  QApplication::processEvents();
  EXPECT_EQ(list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2), viewport->width());
  const int site = list->columnWidth(0);
  list->Rows().Clear();
  list->FitColumns();  // an empty list keeps the widths it has
  EXPECT_EQ(list->columnWidth(0), site);
  for (const char* widths : {"10", "10,x", "10,20,30", "0,5", ""})
    list->SetUserColumnWidths(widths);
  EXPECT_EQ(list->UserColumnWidths(), "");
  list->SetUserColumnWidths("5,300");
  EXPECT_GE(list->columnWidth(0), list->header()->sectionSizeHint(0));
  EXPECT_EQ(list->columnWidth(1), 300);
}

}  // namespace
}  // namespace quillet
