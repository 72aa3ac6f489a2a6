// The pages file: written and read back, its lines refused with their number,
// and replaced only whole.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <variant>

#include "core/pages/page_file.h"
#include "core/pages/page_store.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

// "line: message" (UTF-8) of the text's problem, or "" when it reads.
std::string ProblemOf(std::string_view text, const SectionCheck& check = {}) {
  const auto parsed = ParsePages(text, check);
  const auto* problem = std::get_if<PageFileProblem>(&parsed);
  return problem ? std::to_string(problem->line) + ": " + Cp932ToUtf8(problem->message) : "";
}

TEST(PageFile, WritesWhatItReads) {
  PageList list;
  list.nextId = 7;
  PageSection texts{.name = CP932("主要"),
                    .from = "<ul class=\"news\">\n",
                    .to = "\\</ul>\t",
                    .xpath = {},
                    .css = {},
                    .links = "/a/",
                    .minLength = 4};
  PageSection css{.name = CP932("話題"),
                  .from = {},
                  .to = {},
                  .xpath = {},
                  .css = "#topics a",
                  .links = {},
                  .minLength = 0};
  list.pages.push_back({3, CP932("町の新聞"), "http://a.test/", false, {texts, css}});
  list.pages.push_back({5, "b", "https://b.test/", true, {}});
  const std::string text = FormatPages(list);
  EXPECT_NE(text.find("from <ul class=\"news\">\\n\n"), std::string::npos) << text;
  const auto read = ParsePages(text);
  ASSERT_TRUE(std::holds_alternative<PageList>(read)) << ProblemOf(text);
  EXPECT_EQ(std::get<PageList>(read), list);
  // CR LF read too; a page without an id gets the next one.
  const auto byHand = ParsePages("next-id 4\r\npage\r\nname n\r\nurl http://c.test/\r\n");
  ASSERT_TRUE(std::holds_alternative<PageList>(byHand));
  EXPECT_EQ(std::get<PageList>(byHand).pages.at(0).id, 4);
  EXPECT_EQ(std::get<PageList>(byHand).nextId, 5);
}

TEST(PageFile, RefusesALineWithItsNumber) {
  const std::string page = "page 1\nname n\nurl http://a.test/\n";
  const struct {
    std::string text;
    std::string problem;
  } cases[] = {
      {"name n\n", "1: page の行より前には書けません"},
      {page + "from x\n", "4: section の行より前には書けません"},
      {page + "section s\nfrom a\\b\n", "5: \\ の後は n、r、t、\\ のどれかです"},
      {page + "section s\nmin-length 1001\n", "5: min-length は 0 から 1000 までの数です"},
      {page + "section s\nmin-length -1\n", "5: min-length は 0 から 1000 までの数です"},
      {page + "url ftp://a\n", "4: URL は http:// か https:// で始めてください"},
      {page + "page 1\n", "4: ID 1 のページは前にもあります"},
      {"page 2\nname n\n\npage 3\n", "1: ページに name と url がありません"},
      {page + "section \xf0\x9f\x93\xb0\n", "4: CP932 で表せない文字があります"},
      {page + "enabled yes\n", "4: enabled は on か off です"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProblemOf(c.text), c.problem) << c.text;
  // A rule the check refuses is named at its section's line.
  const SectionCheck refuseCss = [](const PageSection& s) {
    return s.css.empty() ? std::nullopt : std::optional<std::string>("no");
  };
  EXPECT_EQ(ProblemOf(page + "section s\ncss a\nsection t\n", refuseCss), "4: no");
  EXPECT_EQ(ProblemOf(page + "# css a\nsection s\n", refuseCss), "");
}

TEST(PageStore, EditsReplaceTheFileWholeAndOnlyWhenItReads) {
  test::TempHome home;
  EditPages([](PageList& list) { list.pages.push_back({0, "n", "http://a.test/", true, {}}); });
  EditPages([](PageList& list) { list.pages.push_back({0, "m", "http://b.test/", true, {}}); });
  // The ids are the file's own, given as the pages are stored.
  EXPECT_NE(test::ReadBytes(PageFilePath()).find("next-id 3\n\npage 1\n"), std::string::npos);
  EXPECT_EQ(ReadPages().pages.at(1).id, 2);
  struct stat info {};
  ASSERT_EQ(stat(PageFilePath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // A file that cannot be read as pages is never overwritten.
  test::WriteBytes(PageFilePath(), "page 1\nbogus\n");
  EXPECT_THROW(EditPages([](PageList& list) { list.pages.clear(); }), QuilletError);
  EXPECT_EQ(test::ReadBytes(PageFilePath()), "page 1\nbogus\n");
  EXPECT_TRUE(ReadPagesOrNone().pages.empty());
}

}  // namespace
}  // namespace quillet
