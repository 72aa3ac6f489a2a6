// The pages in the connection dialog: the list's OK over a real pages file,
// the page editor's refusals and its trial against a server on 127.0.0.1, and
// the feed editor's search for the feeds a page announces.
#include <QComboBox>

#include "core/pages/page_store.h"
#include "net/test_server.h"
#include "program_windows.h"
#include "ui/page_list_edits.h"

namespace quillet {
namespace {

PageSection Between(const char* name, const char* from, const char* to) {
  PageSection section;
  section.name = name;
  section.from = from;
  section.to = to;
  return section;
}

PageSource Page(int id, const char* name, bool enabled = true,
                std::vector<PageSection> sections = {Between("s", "<ul>", "</ul>")}) {
  return {id, name, std::string("http://127.0.0.1/") + name, enabled, std::move(sections)};
}

// "1:a+1 2:b-1": each page's id, name, tick and number of sections.
std::string Summary(const std::vector<PageSource>& pages) {
  std::string s;
  for (const PageSource& page : pages) {
    s += (s.empty() ? "" : " ") + std::to_string(page.id) + ":" + page.name +
         (page.enabled ? "+" : "-") + std::to_string(page.sections.size());
  }
  return s;
}

TEST(PageListEdits, TheDialogsChangesGoOntoTheFileAsItIsThen) {
  const std::vector<PageSource> loaded = {Page(1, "a"), Page(2, "b"), Page(3, "c", false)};
  std::vector<PageSource> edited = {Page(1, "a", false), Page(3, "C", false), Page(0, "new")};
  edited[1].sections.push_back(Between("t", "<p>", "</p>"));
  const struct {
    const char* what;
    std::vector<PageSource> current;
    const char* merged;
  } cases[] = {
      {"nothing changed meanwhile: b removed, a unticked, c edited, new added", loaded,
       "1:a-1 3:C-2 0:new+1"},
      // Another writer's changes to pages the dialog left alone, or only ticked, stay.
      {"another writer gave a sections and added d",
       {Page(1, "a2", true, {}), Page(2, "b"), Page(3, "c", false), Page(4, "d")},
       "1:a2-0 3:C-2 4:d+1 0:new+1"},
      {"another writer removed c, which the dialog edited, and unticked b, which it removed",
       {Page(1, "a"), Page(2, "b", false)},
       "1:a-1 0:new+1"},
      {"another writer ticked c, which the dialog edited but did not tick",
       {Page(1, "a"), Page(2, "b"), Page(3, "c", true)},
       "1:a-1 3:C+2 0:new+1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PageList current{c.current, 9};
    ApplyPageEdits(loaded, edited, current);
    EXPECT_EQ(Summary(current.pages), c.merged);
    EXPECT_EQ(current.nextId, 9);
  }
}

// An HTML answer of 200 with `body`.
std::string HtmlAnswer(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

const std::string kNewsPage =
    "<html><head><title>t</title><link rel=\"alternate\" type=\"application/rss+xml\" "
    "title=\"町の RSS\" href=\"/rss.xml\"></head><body><ul class=\"news\">"
    "<li><a href=\"/a1\">一つ目の記事</a></li><li><a href=\"/a2\">二つ目の記事</a></li></ul>"
    "<div class=\"other\"><a href=\"/x\">x</a></div></body></html>";

class PageDialogTest : public test::WindowsTest {
 protected:
  PageDialogTest() {
    server.Serve("/news", HtmlAnswer(kNewsPage));
    server.Serve("/plain", HtmlAnswer("<html><body><p>no feed</p></body></html>"));
    server.Serve("/gone", "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
  }

  template <typename T = QPushButton>
  T* Control(const char* name) {
    return test::Find<T>(w.connectionDialog, name);
  }
  QWidget& Editor() { return *Control<QWidget>("pageEditDialog"); }
  void Set(const char* edit, const std::string& text) {
    Control<QLineEdit>(edit)->setText(QString::fromStdString(text));
  }
  // A section added in the editor: cut between two texts (kind 0) or by an
  // expression (1 XPath, 2 CSS).
  void AddSection(const char* name, int kind, const std::string& a, const std::string& b = "") {
    Control("sectionAddButton")->click();
    Set("sectionNameEdit", name);
    Control<QComboBox>("ruleKindBox")->setCurrentIndex(kind);
    Set(kind == 0 ? "fromEdit" : "expressionEdit", a);
    if (kind == 0) Set("toEdit", b);
  }
  // OK in the editor; true when it closed.
  bool EditorOk() {
    Control("pageOkButton")->click();
    return !Editor().isVisible();
  }
  // The trial's rows, depth first: "name\tURL", children indented by a TAB.
  test::Texts Trial() {
    test::Texts rows;
    auto& tree = *Control<QTreeWidget>("trialResults");
    for (int n = 0; n < tree.topLevelItemCount(); ++n) {
      const QTreeWidgetItem& top = *tree.topLevelItem(n);
      rows.push_back((top.text(0) + QLatin1Char('\t') + top.text(1)).toStdString());
      for (int c = 0; c < top.childCount(); ++c)
        rows.push_back(
            (QLatin1Char('\t') + top.child(c)->text(0) + QLatin1Char('\t') + top.child(c)->text(1))
                .toStdString());
    }
    return rows;
  }
  std::string Status() { return Control<QLabel>("trialStatus")->text().toStdString(); }
  // 試す, and the wait for its end.
  void Try() {
    Control("tryButton")->click();
    EXPECT_TRUE(test::SpinUntil([&] { return Control("tryButton")->isEnabled(); }));
  }
  QTreeWidget& List() { return *Control<QTreeWidget>("pageList"); }
  void ClickOn(int row, const char* button) {
    List().setCurrentItem(List().topLevelItem(row));
    Control(button)->click();
  }

  test::TestServer server;
};

// The list shows the file's pages; 追加..., 編集..., 削除 and the ticks
// change the list only, OK writes them into the file as it is then.
TEST_F(PageDialogTest, TheListShowsThePagesFileAndOkMergesItsChangesIntoIt) {
  EditPages([](PageList& list) {
    list.pages = {Page(0, "keep"), Page(0, "gone", false), Page(0, "tick")};
  });
  w.connectionDialog.show();
  EXPECT_EQ(test::Column(List(), 1), (test::Texts{"http://127.0.0.1/keep", "http://127.0.0.1/gone",
                                                  "http://127.0.0.1/tick"}));
  EXPECT_EQ(List().topLevelItem(1)->checkState(0), Qt::Unchecked);
  EXPECT_FALSE(Control("pageEditButton")->isEnabled());  // none selected
  ClickOn(1, "pageDeleteButton");
  List().topLevelItem(1)->setCheckState(0, Qt::Unchecked);
  ClickOn(0, "pageEditButton");
  AddSection("二つ目", 2, ".news a");
  EXPECT_TRUE(EditorOk());
  Control("pageAddButton")->click();
  Set("pageNameEdit", " 新しいページ ");
  Set("pageUrlEdit", server.Url("/news"));
  EXPECT_TRUE(EditorOk());  // a page without sections can be kept
  // Meanwhile the terminal gives "keep" a name and adds a page.
  EditPages([](PageList& list) {
    list.pages[0].name = "renamed";
    list.pages.push_back(Page(0, "other"));
  });
  Control("okButton")->click();
  const std::vector<PageSource> stored = ReadPages().pages;
  // The dialog's edit of "keep" is the newer word on its name and sections.
  EXPECT_EQ(Summary(stored), Utf8ToCp932("1:keep+2 3:tick-1 4:other+1 5:新しいページ+0"));
  EXPECT_EQ(stored[3].url, server.Url("/news"));
  // A file that cannot be read is named, and the list cannot change it.
  test::WriteBytes(PageFilePath(), "page 1\nbogus\n");
  w.connectionDialog.show();
  EXPECT_EQ(List().topLevelItemCount(), 0);
  EXPECT_NE(Control<QLabel>("pageFileProblem")->text().toStdString().find(" の 2 行目: "),
            std::string::npos)
      << Control<QLabel>("pageFileProblem")->text().toStdString();
  EXPECT_FALSE(Control("pageAddButton")->isEnabled());
  Control("okButton")->click();
  EXPECT_EQ(test::ReadBytes(PageFilePath()), "page 1\nbogus\n");
  EXPECT_TRUE(w.messages.empty()) << w.messages[0].text;
}

TEST_F(PageDialogTest, TheEditorRefusesWhatCannotBeStoredAndSaysWhy) {
  w.connectionDialog.show();
  Control("pageAddButton")->click();
  EXPECT_FALSE(EditorOk());
  Set("pageNameEdit", "p");
  Set("pageUrlEdit", "ftp://127.0.0.1/");
  EXPECT_FALSE(EditorOk());
  Set("pageUrlEdit", "http://127.0.0.1/");
  AddSection("", 0, "<ul>", "</ul>");
  EXPECT_FALSE(EditorOk());
  Set("sectionNameEdit", "texts");
  AddSection("xpath", 1, "//ul[");
  Control<QListWidget>("sectionList")->setCurrentRow(0);
  EXPECT_FALSE(EditorOk());
  // The refused section is the one shown: its field put right, OK goes through.
  EXPECT_EQ(Control<QLineEdit>("sectionNameEdit")->text().toStdString(), "xpath");
  Set("expressionEdit", "//ul/li");
  test::Texts shown;
  for (const test::ShownMessage& message : w.messages)
    shown.push_back(message.text);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_TRUE(shown[3].starts_with("セクション「xpath」: XPath 式が正しくありません: //ul["))
      << shown[3];
  shown.pop_back();
  EXPECT_EQ(shown, (test::Texts{"ページ名が空です", "URL は http:// か https:// で始めてください",
                                "セクション名が空です"}));
  EXPECT_TRUE(EditorOk());
  ClickOn(0, "pageEditButton");
  // 削除 takes the selected section; switching the way keeps the other fields' texts out.
  Control("sectionRemoveButton")->click();
  Control<QComboBox>("ruleKindBox")->setCurrentIndex(2);
  Set("expressionEdit", "ul li");
  EXPECT_TRUE(EditorOk());
  Control("okButton")->click();
  const std::vector<PageSource> stored = ReadPages().pages;
  ASSERT_EQ(stored.size(), 1u);
  ASSERT_EQ(stored[0].sections.size(), 1u);
  EXPECT_EQ(stored[0].sections[0].name + " " + SectionRuleText(stored[0].sections[0]),
            "xpath --css 'ul li'");
}

// 試す shows what each section cuts, or why nothing, and the page's feeds.
TEST_F(PageDialogTest, TryShowsEachSectionsHeadlinesOrWhyNoneAndTheFeedsThePageAnnounces) {
  w.UseProxy(server.Port());  // the program's proxy is the one asked
  w.connectionDialog.show();
  Control("pageAddButton")->click();
  Set("pageUrlEdit", "http://news.quillet.test/news");
  AddSection("主要", 0, "<ul class=\"news\">", "</ul>");
  AddSection("経済", 2, ".economy a");
  AddSection("一覧", 0, "<ol>");
  Try();
  const std::string base = "http://news.quillet.test";
  EXPECT_EQ(Trial(),
            (test::Texts{"主要 (2 件)\t", "\t一つ目の記事\t" + base + "/a1",
                         "\t二つ目の記事\t" + base + "/a2",
                         "経済 (0 件)\tCSS セレクタに合う要素がありません",
                         "一覧 (0 件)\t開始テキストが見つかりません",
                         "このページが知らせるフィード\t", "\t町の RSS\t" + base + "/rss.xml"}));
  EXPECT_EQ(Status(), "ヘッドライン 2 件。このページはフィードを 1 件知らせています");
  EXPECT_TRUE(w.messages.empty());
}

// A trial given up by closing the editor never shows its result.
TEST_F(PageDialogTest, ClosingTheEditorDuringATrialGivesItUp) {
  server.Serve("/slow", test::TestServer::Script{{{HtmlAnswer(kNewsPage), 0, true}}, true});
  w.connectionDialog.show();
  Control("pageAddButton")->click();
  Set("pageUrlEdit", server.Url("/slow"));
  AddSection("主要", 0, "<ul class=\"news\">", "</ul>");
  Control("tryButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return server.Connections() > 0; }));
  Control("pageCancelButton")->click();
  server.Release();
  test::SpinUntil([] { return false; }, 500);
  EXPECT_EQ(Trial(), test::Texts{});
  // Opened again, it tries anew.
  Control("pageAddButton")->click();
  EXPECT_EQ(Status(), "");
  Set("pageUrlEdit", server.Url("/news"));
  AddSection("主要", 0, "<ul class=\"news\">", "</ul>");
  Try();
  EXPECT_EQ(Trial().size(), 5u);
}

// フィードを探す offers the feeds a page announces; picking one fills the fields.
TEST_F(PageDialogTest, TheFeedEditorFindsTheFeedsAPageAnnounces) {
  w.connectionDialog.show();
  Control("feedAddButton")->click();
  auto& menu = *Control<QMenu>("foundFeedsMenu");
  Control<QLineEdit>("feedUrlEdit")->setText(QString::fromStdString(server.Url("/news")));
  Control("feedFindButton")->click();
  ASSERT_TRUE(test::SpinUntil([&] { return !menu.actions().isEmpty(); }));
  EXPECT_EQ(menu.actions()[0]->text().toStdString(), "町の RSS  " + server.Url("/rss.xml"));
  menu.actions()[0]->trigger();
  menu.close();
  EXPECT_EQ(Control<QLineEdit>("feedUrlEdit")->text().toStdString(), server.Url("/rss.xml"));
  EXPECT_EQ(Control<QLineEdit>("feedNameEdit")->text().toStdString(), "町の RSS");
  // A name given stays; a page without feeds, or none at all, says so.
  for (const char* path : {"/plain", "/gone"}) {
    Control<QLineEdit>("feedUrlEdit")->setText(QString::fromStdString(server.Url(path)));
    Control("feedFindButton")->click();
    EXPECT_TRUE(test::SpinUntil([&] { return Control("feedFindButton")->isEnabled(); }));
  }
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[0].text, "このページはフィードを知らせていません");
  EXPECT_NE(w.messages[1].text.find("404"), std::string::npos) << w.messages[1].text;
  EXPECT_EQ(Control<QLineEdit>("feedNameEdit")->text().toStdString(), "町の RSS");
}

}  // namespace
}  // namespace quillet
