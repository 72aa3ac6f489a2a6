// The feed parser on whole documents: the three formats, their encodings, the
// cleaning of texts, and what it refuses.
#include <gtest/gtest.h>
#include <iconv.h>

#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "net/feed_parser.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

using namespace std::string_literals;

// The feed's title, then "title|link|category" per item, in UTF-8.
std::string Shown(std::string_view document) {
  const Feed feed = ParseFeed(document);
  std::string shown = Cp932ToUtf8(feed.title);
  for (const FeedItem& item : feed.items)
    shown += "\n" + Cp932ToUtf8(item.title + "|" + item.link + "|" + item.category);
  return shown;
}

std::string ErrorOf(std::string_view document) {
  try {
    ParseFeed(document);
  } catch (const QuilletError& error) {
    return Cp932ToUtf8(error.what());
  }
  return "(no error)";
}

std::string Encode(const std::string& utf8, const char* encoding) {
  const iconv_t cd = iconv_open(encoding, "UTF-8");
  std::string out(utf8.size() * 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  char* to = out.data();
  size_t inLeft = utf8.size(), outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), static_cast<size_t>(-1)) << encoding;
  iconv(cd, nullptr, nullptr, &to, &outLeft);  // back to ASCII at the end
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
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
const char kAtom[] =
    R"(<feed xmlns="http://www.w3.org/2005/Atom"><title type="html">&lt;b&gt;At&lt;/b&gt;om</title>
<entry><title>A</title><link rel="self" href="s"/><link rel="alternate" href="http://a/"/>
 <link href="no"/><category term="経済" label="no"/><source><title>no</title></source></entry>
<entry><title type="xhtml"><div xmlns="http://www.w3.org/1999/xhtml">B <i>b</i></div></title>
 <link rel="enclosure" href="http://b.mp3"/><link rel="related" href="no"/></entry>
<entry><title>C</title><link href="http://c/"/><link rel="alternate" href="no"/></entry>
<category term="tech"/></feed>)";

TEST(FeedParser, ReadsTheThreeFormats) {
  EXPECT_EQ(Shown(kRss2), "Top\nA|http://a/|経済\nB|http://b/|政治\nE|http://e/|社会");
  EXPECT_EQ(Shown(kRdf), "R\nA|http://a/|国際\nB|http://b/|科学");
  EXPECT_EQ(Shown(kAtom), "Atom\nA|http://a/|経済\nB b|http://b.mp3|tech\nC|http://c/|tech");
}

TEST(FeedParser, DecodesEachEncodingToCp932) {
  const std::string body =
      "<rss><channel><title>日本語の見出し ソ表</title>"
      "<item><title>速報、高島屋</title><link>http://x/</link></item>"
      "</channel></rss>";
  const std::string shown = "日本語の見出し ソ表\n速報、高島屋|http://x/|";
  auto declared = [&](const char* name) {
    return "<?xml version='1.0' encoding='"s + name + "'?>";
  };
  const std::pair<std::string, const char*> cases[] = {
      {declared("Shift_JIS") + body, "CP932"},
      {"<?xml version=\"1.0\" encoding = \"EUC-JP\" ?>" + body, "EUC-JP"},
      {declared("iso-2022-jp") + body, "ISO-2022-JP"},
      {body, "UTF-8"},
      {declared("utf-8") + body, "UTF-8"},
      {"\uFEFF" + body, "UTF-16LE"},
      {"\uFEFF" + body, "UTF-16BE"},
      {declared("UTF-16") + body, "UTF-16LE"}};
  for (const auto& [document, encoding] : cases)
    EXPECT_EQ(Shown(Encode(document, encoding)), shown) << document << " in " << encoding;
  EXPECT_EQ(Shown(declared("ISO-8859-1") + "<feed><title>caf\xE9</title></feed>"), "caf〓");
  EXPECT_EQ(ErrorOf(declared("KOI8-R\xFF") + body),  // only printable ASCII is shown
            R"(フィードの文字コード "KOI8-R" には対応していません)");
}

TEST(FeedParser, DecodesEntitiesAndCdataAndCleansTexts) {
  const std::pair<const char*, const char*> titles[] = {
      {"Tom &amp; &#x3042;&#12354; &lt;x", "Tom & ああ <x"},
      {"<![CDATA[<b>速報</b>\t地震&amp;]]>", "速報 地震&amp;"},
      {"&lt;em&gt;強調&lt;/em&gt;", "強調"},
      {"\r\n  a\tb&#13;\nc\xC2\xA0 ", "a b  c"},  // TAB, CR, LF and no-break space
      {"　全角\u3000", "　全角　"},
      {"😀 Ω ①", "〓 Ω ①"}};
  for (const auto& [title, shown] : titles) {
    EXPECT_EQ(Shown("<rss><channel><title>"s + title + "</title><item><title>" + title +
                    "</title><link>\n\thttp://a/?b=1&amp;c=2 \n</link><category> "
                    "&lt;i&gt;c&lt;/i&gt;\td </category>"
                    "</item></channel></rss>"),
              shown + "\n"s + shown + "|http://a/?b=1&c=2|c d");
  }
}

TEST(FeedParser, RefusesWhatItCannotReadAndNeverReadsOutside) {
  // Entities l0 to l`last`, each ten of the one before; l0 is "lol".
  auto laughs = [](int last) {
    std::string dtd = R"(<!DOCTYPE rss [<!ENTITY l0 "lol">)";
    for (int i = 1; i <= last; ++i) {
      dtd += "<!ENTITY l" + std::to_string(i) + " \"";
      for (int j = 0; j < 10; ++j)
        dtd += "&l" + std::to_string(i - 1) + ";";
      dtd += "\">";
    }
    return dtd + "]><rss><channel><title>";
  };
  std::string wide;  // 300 characters a time, too many together
  for (int i = 0; i < 4000; ++i)
    wide += "&l2;";
  const std::string tooLarge = "<!-- " + std::string(kMaxFeedBytes, ' ') + "-->";
  const std::pair<std::string, std::string> cases[] = {
      {laughs(9) + "&l9;</title></channel></rss>", "エンティティの展開が大きすぎます"},
      {laughs(2) + wide + "</title></channel></rss>", "エンティティの展開が大きすぎます"},
      {"<rss><channel>\n<title>a</titel></channel></rss>",
       "XML が正しくありません (2 行目、16 桁目): Opening and ending tag mismatch."},
      {R"(<!DOCTYPE r [<!ENTITY a "x&b;"><!ENTITY b "&a;">]><rss>&a;</rss>)",
       "Self-referencing entity detected."},
      {"", "Premature end of document."},
      {"\xFF\xFE<\0r\0s\0s\0/\0>\0!"s, "Extra content at end of document."},  // half a unit
      {"<html><body>ニュース</body></html>", "フィードではありません (ルート要素が <html> です)"},
      {tooLarge, "フィードが大きすぎます (" + std::to_string(tooLarge.size()) + " バイト、上限 " +
                     std::to_string(kMaxFeedBytes) + " バイト)"}};
  for (const auto& [document, message] : cases)
    EXPECT_NE(ErrorOf(document).find(message), std::string::npos) << ErrorOf(document);

  // Neither an external DTD nor an external entity is read.
  test::TempHome home;
  test::WriteBytes(home.Path("secret.dtd"), R"(<!ENTITY s "SECRET">)");
  test::WriteBytes(home.Path("secret.txt"), "SECRET");
  EXPECT_EQ(Shown("<!DOCTYPE rss SYSTEM \"file://" + home.Path("secret.dtd") +
                  "\" [<!ENTITY t SYSTEM \"file://" + home.Path("secret.txt") +
                  "\">]><rss><channel><title>a&s;&t;b</title></channel></rss>"),
            "ab");
}

}  // namespace
}  // namespace quillet
