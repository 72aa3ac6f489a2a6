// The report view every list of the program uses: columns that follow the
// window and never clip their headers, and the keyboard's double click and
// row menu.
#include "ui/report_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

#include "core/text/text_codec.h"
#include "ui/icons.h"

namespace quillet {
namespace {

class ReportViewTest : public ::testing::Test {
 protected:
  ReportViewTest() {
    // Designed narrower than the header texts, as the search window's are.
    list = new ReportView({{CP932("サイト"), 20}, {CP932("ジャンル"), 20}, {"x", 100}});
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(list);
    window.resize(500, 300);
    window.show();
  }
  void AddRow(const char* site, const char* genre, const char* headline) {
    auto* row = new QTreeWidgetItem(QStringList{QString::fromUtf8(site), QString::fromUtf8(genre),
                                                QString::fromUtf8(headline)});
    row->setIcon(0, SiteIcon(0));
    list->addTopLevelItem(row);
  }
  int ColumnsTotal() const {
    return list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2);
  }
  void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(list, &event);
  }

  QWidget window;
  ReportView* list;
};

TEST_F(ReportViewTest, ColumnsNeverClipTheirHeadersAndTheLastFollowsTheWidth) {
  QHeaderView* header = list->header();
  for (int column : {0, 1}) {
    SCOPED_TRACE(column);
    EXPECT_GE(list->columnWidth(column), header->sectionSizeHint(column));
  }
  // Short contents fit beside the icon, and no column gets below its header.
  AddRow("YOL", "A", "headline");
  list->FitColumns();
  EXPECT_GT(list->columnWidth(0), list->fontMetrics().horizontalAdvance(QStringLiteral("YOL")) +
                                      list->iconSize().width());
  EXPECT_GE(list->columnWidth(0), header->sectionSizeHint(0));
  EXPECT_GE(list->columnWidth(1), header->sectionSizeHint(1));
  EXPECT_EQ(ColumnsTotal(), list->viewport()->width());

  // Widened and narrowed, the last column takes what the others leave.
  for (int width : {1280, 700}) {
    SCOPED_TRACE(width);
    window.resize(width, 300);
    QApplication::processEvents();
    EXPECT_EQ(ColumnsTotal(), list->viewport()->width());
  }

  // An empty list keeps the widths it has.
  const int site = list->columnWidth(0);
  list->clear();
  list->FitColumns();
  EXPECT_EQ(list->columnWidth(0), site);
}

TEST_F(ReportViewTest, EnterOpensAndTheMenuKeysAskForTheSelectedRowsMenu) {
  AddRow("YOL", "A", "first");
  AddRow("CNN", "B", "second");
  int opened = 0;
  std::vector<QPoint> menus;
  list->OnDblClick = [&] { ++opened; };
  list->OnRowRightPress = [&](const QPoint& at) { menus.push_back(at); };

  // Nothing selected: no menu.
  Press(Qt::Key_Menu);
  EXPECT_TRUE(menus.empty());

  list->setCurrentItem(list->topLevelItem(1));
  Press(Qt::Key_Return);
  Press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(opened, 2);

  Press(Qt::Key_Menu);
  Press(Qt::Key_F10, Qt::ShiftModifier);
  QContextMenuEvent keyboardMenu(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
  QApplication::sendEvent(list->viewport(), &keyboardMenu);
  Press(Qt::Key_F10);  // without Shift: not a menu key
  ASSERT_EQ(menus.size(), 3u);
  const QRect row = list->visualItemRect(list->topLevelItem(1));
  for (const QPoint& at : menus) {
    const QPoint local = list->viewport()->mapFromGlobal(at);
    EXPECT_GE(local.y(), row.top());
    EXPECT_LE(local.y(), row.bottom());
  }
  EXPECT_EQ(opened, 2);
}

}  // namespace
}  // namespace quillet
