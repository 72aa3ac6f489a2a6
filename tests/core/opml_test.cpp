// OPML read and written, and its feeds added to a feed list.
#include <gtest/gtest.h>

#include "core/feeds/feed_import.h"
#include "core/feeds/opml.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

using Feeds = std::vector<settings::FeedSource>;

// "name|url " per feed `read` gives, UTF-8; or its error's message.
template <typename Read>
std::string Shown(Read read) {
  try {
    std::string s;
    for (const OpmlFeed& feed : read())
      s += Cp932ToUtf8(feed.name) + "|" + Cp932ToUtf8(feed.url) + " ";
    return s;
  } catch (const QuilletError& e) {
    return Cp932ToUtf8(e.what());
  }
}
std::string Read(std::string_view document) {
  return Shown([&] { return ReadOpml(document); });
}

TEST(Opml, ReadsEveryOutlineWithAUrlOrSaysWhereTheFileIsWrong) {
  const struct {
    std::string document, read;
  } rows[] = {
      // Nested outlines in document order, a folder's own has no URL; the name is
      // the text, else the title, else the URL, white space trimmed and collapsed.
      {"<opml><body><outline text='IT'><outline text=' \n ' title=' T\tt ' xmlUrl=' http://t/ '>"
       "<outline xmlURL='http://u/'/></outline></outline><outline text='c' xmlUrl='https://c/'/>"
       "<outline title='x' htmlUrl='http://no/'/></body></opml>",
       "T t|http://t/ http://u/|http://u/ c|https://c/ "},
      {"<!DOCTYPE opml [<!ENTITY n 'ニュース'>]><opml><outline text='&n; &amp; &lt;&#x3042;😀'"
       " xmlUrl='http://e/?a=1&amp;b=2'/></opml>",
       "ニュース & <あ〓|http://e/?a=1&b=2 "},
      {"<opml>\n<body>\n  <outline text=a/></body></opml>",
       "OPML ファイルが正しくありません (3 行目、17 桁目): AttValue: \" or ' expected"},
      // The conversion's error, which comes without a place, printed nowhere.
      {"<?xml version='1.0' encoding='EUC-JP'?>\n<opml><outline text='\xe3\x83\x8b\xe3'/></opml>",
       "OPML ファイルが正しくありません (2 行目、22 桁目): input conversion failed due to input "
       "error, bytes 0xE3 0x83 0x8B 0xE3"},
      {"<rss version='2.0'/>", "OPML ファイルではありません (最上位の要素が opml ではありません)"},
      // Nothing outside the bytes is read.
      {"<!DOCTYPE opml [<!ENTITY e SYSTEM '/etc/passwd'>]><opml><outline text='&e;' "
       "xmlUrl='http://a'/></opml>",
       "OPML ファイルが正しくありません (1 行目、75 桁目): Attribute references external entity "
       "'e'"},
      {std::string(kOpmlMaxBytes + 1, ' '), "OPML ファイルが大きすぎます (16 MB まで)"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Read(row.document), row.read) << row.document.substr(0, 200);
}

TEST(Opml, WritesWhatItReadsBack) {
  const Feeds feeds = {{3, CP932("速報 & \"号外\" <1>"), "http://a.test/?x=1&y='2'", false},
                       {4, "a\x01z", "https://b.test/", true}};
  const std::string document = WriteOpml(feeds, 1796680518);
  EXPECT_EQ(
      document,
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"2.0\">\n  <head>\n"
      "    <title>Quillet のフィード</title>\n"
      "    <dateCreated>Mon, 07 Dec 2026 21:55:18 GMT</dateCreated>\n  </head>\n  <body>\n"
      "    <outline type=\"rss\" text=\"速報 &amp; &quot;号外&quot; &lt;1&gt;\" "
      "title=\"速報 &amp; &quot;号外&quot; &lt;1&gt;\" xmlUrl=\"http://a.test/?x=1&amp;y='2'\"/>\n"
      "    <outline type=\"rss\" text=\"a\xEF\xBF\xBDz\" title=\"a\xEF\xBF\xBDz\" "
      "xmlUrl=\"https://b.test/\"/>\n  </body>\n</opml>\n");
  EXPECT_EQ(Read(document), "速報 & \"号外\" <1>|http://a.test/?x=1&y='2' a〓z|https://b.test/ ");

  test::TempHome home;
  EXPECT_EQ(Shown([&] {
              WriteOpmlFile(home.Path("no/f"), feeds);
              return std::vector<OpmlFeed>();
            }),
            home.Path("no/f") + " に書き込めません");
}

TEST(FeedImport, AddsWhatIsNewCountsWhatIsThereAndNamesWhatCannotBeAFeed) {
  const Feeds list = {{7, "old", "HTTP://A.test", false}};
  const std::string longName(300, '\x88');  // 150 double-byte characters
  const std::vector<OpmlFeed> outlines = {
      {"a", "http://a.TEST/"},  // the list's, scheme and host in another case
      {"n", "https://n.test/x"},
      {"n2", "https://n.test/x"},
      {"bad", "feed://x"},
      {"", "http://e/"},  // no name, as ReadOpml never gives
      {"\x88\x9f" + longName, "http://l.test/"}};
  const FeedImport import = ImportFeeds(list, outlines);
  EXPECT_EQ(import.feeds,
            (Feeds{list[0],
                   {0, "n", "https://n.test/x", true},
                   {0, "\x88\x9f" + longName.substr(0, 252), "http://l.test/", true}}));
  EXPECT_EQ(import.refused,
            (std::vector<std::string>{
                CP932("「bad」は追加できません: URL は http:// か https:// で始めてください"),
                CP932("「」は追加できません: フィード名が空です")}));
  EXPECT_EQ(Cp932ToUtf8(ImportSummary(import)),
            "2 件のフィードを追加しました (2 件は登録済み、2 件は追加できないため飛ばしました)");
  // The dialog's test shows the summary with known feeds alone.
  EXPECT_EQ(Cp932ToUtf8(ImportSummary({{}, 3, 0, {"x"}})),
            "3 件のフィードを追加しました (1 件は追加できないため飛ばしました)");
}

}  // namespace
}  // namespace quillet
