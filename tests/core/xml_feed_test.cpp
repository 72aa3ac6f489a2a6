// The XML feed reader on byte-exact feeds under tests/data/feeds: titles as
// their authors meant them, links resolved, breakages read with a warning,
// and the bounds that keep any document cheap.
#include <gtest/gtest.h>

#include "core/feeds/lenient_xml.h"
#include "core/feeds/xml_feed.h"
#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

using namespace std::string_literals;

constexpr std::string_view kFeedUrl = "http://example.test/news/feed.xml";

// The feed's title, then "title|link|category" per item, in UTF-8.
std::string Shown(const Feed& feed) {
  std::string shown = Cp932ToUtf8(feed.title);
  for (const FeedItem& item : feed.items)
    shown += "\n" + Cp932ToUtf8(item.title + "|" + item.link + "|" + item.category);
  return shown;
}

std::string ErrorOf(std::string_view document) {
  try {
    ParseXmlFeed(std::string(document), kFeedUrl);
  } catch (const QuilletError& error) {
    return Cp932ToUtf8(error.what());
  }
  return "(no error)";
}

TEST(XmlFeed, ReadsEachFileAsCarefulReadersDo) {
  // The file, what it shows, a part of its warning ("" for none).
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"rss-titles.xml",
       "見出し & 記事\nM&A|http://a.test/1|\nDon’t panic & carry on|http://a.test/2|\n"
       "Item Title|http://a.test/3|\n台風<10号>接近|http://a.test/4|\n"
       "株価 <上昇>|http://a.test/5|\nHistory of the <blink> tag|http://a.test/6|\n"
       "速報 地震 & 津波|http://a.test/7|\nab|http://a.test/8|\n"
       "改行 と 空白　|http://a.test/9|\nM&A|http://a.test/10|\n"
       "Tom & ああ <x|http://a.test/11|\n〓 Ω ① a b c d|http://a.test/12?b=1&c=2|c d\n"
       "a b c d e￠f‐g|http://a.test/13|",
       ""},
      {"atom-text-constructs.xml",
       "Tom & Jerry <3\nHistory of the <blink> tag|http://a.test/1|\n"
       "M&A bold|http://a.test/2|\na < b c d|http://a.test/3|\n"
       "<b>literal</b> &amp;|http://a.test/4|\n&copy; plain|http://a.test/5|",
       ""},
      {"atom03-base64.xml", "Old Atom\n速報 M&A|http://a.test/1|\n台風<10号>接近|http://a.test/2|",
       ""},
      {"rss-links.xml",
       "Links\nrelative|http://example.test/news/2026/12/07/a.html|\n"
       "root|http://example.test/top.html?x=1&y=2|\nbase|http://other.test/up.html|\n"
       "guid|http://g.test/1|\ndc only|http://d.test/|\nmedia & only|http://m.test/|",
       ""},
      {"atom-links.xml",
       "A\nno rel|http://atom.test/dir/a.html|経済\ncontent|http://c.test/x|tech\n"
       "alternate later|http://atom.test/alt|tech\nonly enclosure|http://atom.test/dir/e.mp3|tech\n"
       "nested base|http://atom.test/dir/sub/x.html|tech",
       ""},
      {"rss091-entities.xml", "〓 0.91\nR〓sum〓 〓 〓|http://a.test/1|",
       "宣言されていない実体参照"},
      {"broken-ampersand.xml", "B\nA & B|http://a.test/?a=1&b=2|\nSecond|http://a.test/2|",
       "(2 行目、16 桁目): 参照を始めない &"},
      {"broken-undeclared-entity.xml",
       "B\ncaf〓 au lait… &bogus;|http://a.test/1|\nSecond|http://a.test/2|",
       "(2 行目、17 桁目): 宣言されていない実体参照"},
      {"broken-control-character.xml", "B\nab|http://a.test/1|\nSecond|http://a.test/2|",
       "XML に使えない制御文字"},
      {"broken-undeclared-prefix.xml", "B\nFirst|http://a.test/1|政治\nSecond|http://a.test/2|",
       "Namespace prefix dc"},
      {"broken-blank-before-declaration.xml", "B\nFirst|http://a.test/1|\nSecond|http://a.test/2|",
       "(1 行目、1 桁目): XML 宣言の前に空白"},
      {"broken-truncated.xml", "B\nFirst|http://a.test/1|\nSecond|http://|",
       "Premature end of data"},
      {"broken-unescaped-markup.xml",
       "B\n台風<10号>接近 a < b|http://a.test/1|\nSecond|http://a.test/2|", "タグを始めない <"},
  };
  for (const auto& [file, shown, part] : cases) {
    const Feed feed = ParseXmlFeed(test::ReadBytes(QUILLET_TEST_DATA "/feeds/"s + file), kFeedUrl);
    const std::string warning = Cp932ToUtf8(feed.warning);
    EXPECT_EQ(Shown(feed), shown) << file;
    EXPECT_TRUE(*part ? warning.find(part) != std::string::npos : warning.empty()) << warning;
  }
}

const char kRss2[] = R"(<?xml version="1.0"?><rss version="2.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:media="http://search.yahoo.com/mrss/"><channel>
<image><title>no</title></image><title>Top</title><category>社会</category>
<item><title>A</title><media:title>no</media:title><link>http://a/</link><category>経済</category>
 <category>second</category></item>
<item><title>B</title><guid>http://b/</guid><dc:subject>政治</dc:subject></item>
<item><title>C</title><guid isPermaLink="false">c-1</guid></item>
<item><link>http://d/</link></item>
<item><title>E</title><link>http://e/</link></item></channel></rss>)";
const char kRdf[] = R"(<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"
 xmlns="http://purl.org/rss/1.0/" xmlns:dc="http://purl.org/dc/elements/1.1/">
<channel rdf:about="http://x/"><title>R</title><dc:subject>国際</dc:subject></channel>
<item rdf:about="http://a/"><title>A</title><dc:title>no</dc:title><link>http://a/</link></item>
<item><title>B</title><link>http://b/</link><dc:subject>科学</dc:subject></item>
<x:item xmlns:x="http://x/"><x:title>no</x:title><x:link>http://x/</x:link></x:item></rdf:RDF>)";
TEST(XmlFeed, ReadsBothRssFormats) {
  EXPECT_EQ(Shown(ParseXmlFeed(kRss2, kFeedUrl)),
            "Top\nA|http://a/|経済\nB|http://b/|政治\nE|http://e/|社会");
  EXPECT_EQ(Shown(ParseXmlFeed(kRdf, kFeedUrl)), "R\nA|http://a/|国際\nB|http://b/|科学");
}

TEST(XmlFeed, RefusesWhatGivesNoItemAndNeverReadsOutside) {
  // Entities l0 to l`last`, each ten of the one before; l0 is "lol".
  auto laughs = [](int last) {
    std::string dtd = R"(<!DOCTYPE rss [<!ENTITY l0 "lol">)";
    for (int i = 1; i <= last; ++i) {
      dtd += "<!ENTITY l" + std::to_string(i) + " \"";
      for (int j = 0; j < 10; ++j)
        dtd += "&l" + std::to_string(i - 1) + ";";
      dtd += "\">";
    }
    return dtd + "]><rss><channel><item><link>http://a/</link><title>";
  };
  const std::pair<std::string, std::string> cases[] = {
      {laughs(9) + "&l9;</title></item></channel></rss>", "entity reference loop"},
      // Its lines as they came, blank lines before the declaration counted.
      {"\n\n<?xml version='1.0'?><rss><channel>\n<item><title>a</titel></item></channel></rss>",
       "XML が正しくありません (4 行目、23 桁目): Opening and ending tag mismatch: title"},
      {"", "XML が正しくありません (1 行目、1 桁目): Document is empty"},
      {"<html><body>ニュース</body></html>", "フィードではありません (ルート要素が <html> です)"}};
  for (const auto& [document, message] : cases)
    EXPECT_NE(ErrorOf(document).find(message), std::string::npos) << ErrorOf(document);

  // A declared entity is expanded; an external one is not read (the loader
  // refuses it) and leaves nothing.
  const std::string secret = std::string(QUILLET_TEST_DATA) + "/feeds/rss-titles.xml";
  EXPECT_EQ(Shown(ParseXmlFeed(R"(<!DOCTYPE rss [<!ENTITY e "展開"><!ENTITY t SYSTEM "file://)" +
                                   secret + R"(">]><rss><channel><title>a&e;&t;b</title>
                                   </channel></rss>)",
                               kFeedUrl)),
            "a展開b");
}

TEST(XmlFeed, BoundsHoldBeforeTheParserSeesTheDocument) {
  std::string attributes = "<rss><channel><item x0=\"0\"";
  for (size_t i = 1; i < 100'000; ++i)
    attributes += " x" + std::to_string(i) + "=\"\"";
  attributes += "><title>kept</title><link>http://a/</link></item></channel></rss>";
  const Feed wide = ParseXmlFeed(attributes, kFeedUrl);
  EXPECT_EQ(Shown(wide), "\nkept|http://a/|");
  EXPECT_NE(Cp932ToUtf8(wide.warning).find("属性が多すぎる"), std::string::npos);
  EXPECT_LT(MakeLenientXml(attributes).text.size(), 2'000u);

  const std::string item = "<item><title>t</title><link>http://a/</link></item>";
  std::string deep = "<rss><channel>" + item;
  for (size_t i = 0; i < 1'000'000; ++i)
    deep += "<a>";
  const Feed cut = ParseXmlFeed(deep, kFeedUrl);
  EXPECT_EQ(cut.items.size(), 1u);
  EXPECT_NE(Cp932ToUtf8(cut.warning).find("入れ子が深すぎる"), std::string::npos);

  std::string many = "<rss><channel>";
  for (size_t i = 0; i < kMaxXmlElements; ++i)
    many += "<b/>";
  const LenientXml bounded = MakeLenientXml(many + item + "</channel></rss>");
  EXPECT_TRUE(bounded.cut);
  EXPECT_EQ(bounded.text.find("<item>"), std::string::npos);

  std::string items = "<rss><channel>";
  for (size_t i = 0; i <= kMaxFeedItems; ++i)
    items += item;
  EXPECT_EQ(ParseXmlFeed(items + "</channel></rss>", kFeedUrl).items.size(), kMaxFeedItems);
}

}  // namespace
}  // namespace quillet
