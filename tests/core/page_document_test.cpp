// Cutting a user's page into links: the page's encoding, the three ways of
// cutting, the links' texts and addresses, the filters, the problems the user
// is told, and the feeds a page announces.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/pages/page_document.h"
#include "core/text/page_charset.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

using namespace std::string_literals;

const std::string kUrl = "https://news.example.jp/top/index.html";

// The links as "text|url" in UTF-8, or the problem as "! problem".
std::vector<std::string> Shown(const SectionCut& cut) {
  if (!cut.problem.empty()) return {"! " + Cp932ToUtf8(cut.problem)};
  std::vector<std::string> shown;
  for (const PageLink& link : cut.links)
    shown.push_back(Cp932ToUtf8(link.text) + "|" + Cp932ToUtf8(link.url));
  return shown;
}

PageSection Texts(const std::string& from, const std::string& to) {
  PageSection section;
  section.from = Utf8ToCp932(from);
  section.to = Utf8ToCp932(to);
  return section;
}
PageSection ByXPath(const std::string& xpath) {
  PageSection section;
  section.xpath = Utf8ToCp932(xpath);
  return section;
}
PageSection ByCss(const std::string& css) {
  PageSection section;
  section.css = Utf8ToCp932(css);
  return section;
}

struct CutCase {
  std::string page;
  PageSection section;
  std::vector<std::string> shown;
};

void ExpectCuts(const std::vector<CutCase>& cases) {
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.page + " / " + c.section.from + " " + c.section.to + " " + c.section.xpath +
                 " " + c.section.css);
    PageDocument page(c.page, "text/html; charset=utf-8", kUrl);
    EXPECT_EQ(Shown(page.Cut(c.section)), c.shown);
  }
}

TEST(PageCharset, WeighsTheEvidenceInOrder) {
  const std::string sjisMeta = "<meta charset=\"Shift_JIS\">";
  const std::string eucNihon = "\xC6\xFC\xCB\xDC";  // 日本 in EUC-JP
  const std::string sjisNihon = "\x93\xFA\x96\x7B";
  struct Case {
    std::string bytes;
    std::string httpCharset;
    std::string text;  // what the decoded page ends with
    std::string charset;
  };
  // clang-format off
  const Case cases[] = {
      // A byte order mark beats the HTTP charset and the declaration.
      {"\xEF\xBB\xBF" + sjisMeta + "日本", "EUC-JP", "日本", "UTF-8"},
      {"\xFF\xFE\xE5\x65"s, "Shift_JIS", "日", "UTF-16LE"},
      // The HTTP charset beats the declaration; one no decoder knows is passed over.
      {sjisMeta + eucNihon, "euc-jp", "日本", "EUC-JP"},
      {sjisMeta + sjisNihon, "x-bogus", "日本", "Shift_JIS"},
      // Both forms of the declaration, names as browsers match them.
      {"<head><META HTTP-EQUIV=content-type CONTENT='text/html; Charset = \"koi8-r\"'>\xF0\xD2\xC9\xD7\xC5\xD4", "", "Привет", "KOI8-R"},
      {"<meta content=\"text/html;charset=ms_kanji\" http-equiv=\"Content-Type\">" + sjisNihon, "", "日本", "Shift_JIS"},
      // A declaration in a comment, after the first 1024 bytes, or naming
      // UTF-16 in a page of single bytes does not count.
      {"<!-- <meta charset=euc-jp> -->" + sjisNihon, "", "日本", "Shift_JIS"},
      {std::string(1024, ' ') + "<meta charset=euc-jp>" + sjisNihon, "", "日本", "Shift_JIS"},
      {"<meta charset=utf-16>日本", "", "日本", "UTF-8"},
      // Without declaration: UTF-8 when it is valid, else the Japanese code guessed.
      {"<p>\xC2\x80\xDF\xBF😀日本", "", "日本", "UTF-8"},
      {"<p>" + eucNihon, "", "日本", "EUC-JP"},
      {"<p>" + sjisNihon, "", "日本", "Shift_JIS"},
      {"<p>\x1B$BF|K\\\x1B(B", "", "日本", "ISO-2022-JP"},
      {"<p>plain", "", "plain", "UTF-8"},
      // What the evidence names decodes the page, even bytes that read as UTF-8.
      {"<p>\xC3\xA9", "iso-8859-1", "Ã©", "windows-1252"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const DecodedDocument decoded = DecodePage(c.bytes, c.httpCharset);
    EXPECT_TRUE(decoded.utf8.ends_with(c.text)) << decoded.utf8;
    EXPECT_EQ(decoded.charset, c.charset);
  }
}

TEST(PageDocument, CutsBetweenTextsAndTellsWhyNothingWasCut) {
  const std::string page =
      R"(<a href="/head">Head</a><ul id="news"><li><a href="/n1">First</a></li>)"
      R"(<li><a href="/n2">Second</a></ul><ul id="more"><li><a href="/n3">Third</a></ul>)";
  // clang-format off
  ExpectCuts({
      // From the first occurrence of one text to the next of the other, markers excluded.
      {page, Texts("<ul id=\"news\">", "</ul>"), {"First|https://news.example.jp/n1", "Second|https://news.example.jp/n2"}},
      {page, Texts("<ul", ""), {"First|https://news.example.jp/n1", "Second|https://news.example.jp/n2", "Third|https://news.example.jp/n3"}},
      {page, Texts("", "<ul"), {"Head|https://news.example.jp/head"}},
      // A marker can cut an anchor in two: what is inside the part counts.
      {page, Texts("First", ""), {"Second|https://news.example.jp/n2", "Third|https://news.example.jp/n3"}},
      {page, Texts("<ul id=\"gone\">", "</ul>"), {"! 開始テキストが見つかりません"}},
      {page, Texts("id=\"more\"", "<ul"), {"! 開始テキストの後に終了テキストが見つかりません"}},
      {page, Texts("", "</ol>"), {"! 終了テキストが見つかりません"}},
      {page, Texts("<ul id=\"news\">", "<a"), {"! 切り出した部分にリンクがありません"}},
      {"<body><a name=top>x</a><a href=mailto:a@example.jp>mail</a><a href=\"javascript:f()\">js</a><a href=/e><img src=i></a>", Texts("<body>", ""),
       {"! 条件に合うリンクがありません"}},
  });
  // clang-format on
}

TEST(PageDocument, ReadsLinkTextsAndAddressesAsBrowsersDo) {
  const std::string base = "<head><base href=\"/news/\"></head>";
  // clang-format off
  ExpectCuts({
      // Markup removed, references decoded, white space collapsed; an anchor
      // without text takes its image's alt; script content is no text.
      {"<body><a href=a.html>\n <b>台風&amp;大雨</b>&#x3000;速報 <script>x</script></a>", Texts("<body>", ""), {"台風&大雨\u3000速報|https://news.example.jp/top/a.html"}},
      {"<body><A HREF='b'><img src=x alt=\"写&quot;真\"></A><a href=c><img alt=\"\">text</a>", Texts("<body>", ""),
       {"写\"真|https://news.example.jp/top/b", "text|https://news.example.jp/top/c"}},
      // An anchor ends at the next anchor; tags in comments and scripts are no links.
      {"<body><a href=/1>one<a href=/2>two</a><!--x > -- x<a href=/3>three</a> --><script>'</scripts><a href=/4>four</a>'</script><a href=/5>five</a>", Texts("<body>", ""),
       {"one|https://news.example.jp/1", "two|https://news.example.jp/2", "five|https://news.example.jp/5"}},
      // Addresses: trimmed, references decoded as in attribute values,
      // resolved against <base href> (itself resolved against the page).
      {base + "<body><a href=\" x?a=1&amp;b=2&lt=3&lt;\n\">x</a><a href=//cdn.example.jp/y>y</a><a href=https://other.example.jp/z>z</a>", Texts("<body>", ""),
       {"x|https://news.example.jp/news/x?a=1&b=2&lt=3<", "y|https://cdn.example.jp/y", "z|https://other.example.jp/z"}},
      // Text that cannot be held in CP932 becomes the geta mark.
      {"<body><a href=/e>絵文字😀</a>", Texts("<body>", ""), {"絵文字〓|https://news.example.jp/e"}},
  });
  // clang-format on
}

TEST(PageDocument, KeepsOnlyTheLinksTheSectionAsksFor) {
  const std::string page =
      "<body><a href=/article/1>長い見出しです</a><a href=/ad/2>広告の見出しです</a>"
      "<a href=/article/3>短い</a><a href=/article/1>長い見出しです(再)</a>";
  PageSection filtered = Texts("<body>", "");
  filtered.links = "/article/";
  filtered.minLength = 4;  // characters: 短い is 2 of them, 6 bytes in UTF-8
  PageSection exact = filtered;
  exact.minLength = 2;
  // clang-format off
  ExpectCuts({
      {page, filtered, {"長い見出しです|https://news.example.jp/article/1"}},
      {page, exact, {"長い見出しです|https://news.example.jp/article/1", "短い|https://news.example.jp/article/3"}},
  });
  // clang-format on
}

const std::string kListPage = R"(<html><body><h1>Title</h1>
<div id="top" class="box  lead"><a href="/t1">Top <b>one</b></a></div>
<ul class="list news"><li class="item"><a href="/n1" data-x='it"s'>News one</a></li>
<li><span><a href="/n2">News two</a></span></li></ul>
<ul class="newsy"><li><a href="/x1">Other</a></li></ul>
<p>Tail <a href="/p1" title="top news">Para</a></p></body></html>)";

TEST(PageDocument, CutsTheElementsAnXPathSelects) {
  // clang-format off
  ExpectCuts({
      // The anchor itself, or every anchor inside; attribute and text nodes
      // stand for their element; page order, each link once.
      {kListPage, ByXPath("//ul[1]"), {"News one|https://news.example.jp/n1", "News two|https://news.example.jp/n2"}},
      {kListPage, ByXPath("//p/a/@href | //div/a/b/text()"), {"Top one|https://news.example.jp/t1", "Para|https://news.example.jp/p1"}},
      {kListPage, ByXPath("//li | //ul | //span"), {"News one|https://news.example.jp/n1", "News two|https://news.example.jp/n2", "Other|https://news.example.jp/x1"}},
      {kListPage, ByXPath("//p/text()"), {"Para|https://news.example.jp/p1"}},
      {"<div><a href=/1>1</a><span><a href=/2>2</a></span>tail</div>", ByXPath("//span | //div/text()"), {"1|https://news.example.jp/1", "2|https://news.example.jp/2"}},
      {kListPage, ByXPath("//table"), {"! XPath に合う要素がありません"}},
      {kListPage, ByXPath("count(//a)"), {"! XPath に合う要素がありません"}},
      {kListPage, ByXPath("//h1 | //h1/text()"), {"! 切り出した部分にリンクがありません"}},
      {kListPage, ByXPath("//a[nosuch()]"), {"! XPath 式が正しくありません: //a[nosuch()] (Unregistered function)"}},
      // A declaration of another encoding in the page does not make the parser read it again.
      {"<meta charset=\"Shift_JIS\"><a href=/j>日本語</a>", ByXPath("//a"), {"日本語|https://news.example.jp/j"}},
  });
  // clang-format on
}

// libxml2 compares each attribute of a tag with all before it: 30,000 of
// them took seconds to parse before the parser got at most 256 per tag.
TEST(PageDocument, ParsesTagsOfVeryManyAttributesInLinearTime) {
  std::string page = "<div><a href=/many";
  for (int i = 0; i < 30000; ++i)
    page += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  page += ">Many</a></div>";
  const auto start = std::chrono::steady_clock::now();
  PageDocument document(page, "", kUrl);
  EXPECT_EQ(Shown(document.Cut(ByXPath("//div"))),
            std::vector<std::string>{"Many|https://news.example.jp/many"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(PageDocument, CutsTheElementsACssSelectorSelects) {
  const std::string n1 = "News one|https://news.example.jp/n1";
  const std::string n2 = "News two|https://news.example.jp/n2";
  const std::string x1 = "Other|https://news.example.jp/x1";
  // clang-format off
  ExpectCuts({
      {kListPage, ByCss("UL.news"), {n1, n2}},  // a class is a whole word of the attribute
      {kListPage, ByCss("#top, p"), {"Top one|https://news.example.jp/t1", "Para|https://news.example.jp/p1"}},
      {kListPage, ByCss("ul > li > a"), {n1, x1}},
      {kListPage, ByCss("ul a"), {n1, n2, x1}},
      {kListPage, ByCss("p > *"), {"Para|https://news.example.jp/p1"}},
      {kListPage, ByCss("*.list [ data-x = 'it\"s' ]"), {n1}},
      {kListPage, ByCss("li.item[class=item]"), {n1}},
      {kListPage, ByCss("a[title='top news']"), {"Para|https://news.example.jp/p1"}},
      {kListPage, ByCss(".box.lead#top a[href]"), {"Top one|https://news.example.jp/t1"}},
      {kListPage, ByCss("div.list"), {"! CSS セレクタに合う要素がありません"}},
  });
  // clang-format on
}

TEST(PageDocument, RefusesRulesItCannotUse) {
  const std::string twoWays =
      "切り出し方を一つ指定してください (--from と --to、--xpath、--css のどれか)";
  PageSection textsAndCss = ByCss("a");
  textsAndCss.to = "</ul>";
  PageSection tooLong = Texts("<ul>", "");
  tooLong.minLength = 1001;
  PageSection negative = ByXPath("//a");
  negative.minLength = -1;
  PageSection xpathAndCss = ByXPath("//a");
  xpathAndCss.css = "a";
  PageSection longest = ByXPath("//a");
  longest.minLength = 1000;
  // clang-format off
  const std::pair<PageSection, std::string> rows[] = {
      {PageSection{}, ""}, {textsAndCss, twoWays}, {xpathAndCss, twoWays},
      {tooLong, "--min-length は 0 から 1000 までです"}, {negative, "--min-length は 0 から 1000 までです"},
      {longest, ""}, {Texts("", "</ul>"), ""},
      {ByXPath("//a[@href"), "XPath 式が正しくありません: //a[@href (Invalid predicate)"},
      {ByXPath("//"), "XPath 式が正しくありません: // (Invalid expression)"},
      {ByCss("a:hover"), "CSS セレクタが正しくありません: a:hover (「:hover」には対応していません)"},
      {ByCss("a::before"), "CSS セレクタが正しくありません: a::before (「::before」には対応していません)"},
      {ByCss("h2 + ul"), "CSS セレクタが正しくありません: h2 + ul (結合子「+」には対応していません)"},
      {ByCss("h2~ul"), "CSS セレクタが正しくありません: h2~ul (結合子「~」には対応していません)"},
      {ByCss("[class~=x]"), "CSS セレクタが正しくありません: [class~=x] (「~=」には対応していません)"},
      {ByCss("a, "), "CSS セレクタが正しくありません: a,  (空のセレクタがあります)"},
      {ByCss("#1st"), "CSS セレクタが正しくありません: #1st (「1st」は名前になりません)"},
      {ByCss("-"), "CSS セレクタが正しくありません: - (「-」は名前になりません)"},
      {ByCss("[-x]"), "CSS セレクタが正しくありません: [-x] (「-x」は名前になりません)"},
      {ByCss("[width=1x]"), "CSS セレクタが正しくありません: [width=1x] (「1x」は名前になりません)"},
      {ByCss("[href"), "CSS セレクタが正しくありません: [href (「[」が閉じていません)"},
      {ByCss("[href='x]"), "CSS セレクタが正しくありません: [href='x] (引用符が閉じていません)"},
      {ByCss("a\\:b"), "CSS セレクタが正しくありません: a\\:b (「\\」のエスケープには対応していません)"},
      {ByCss("svg|a"), "CSS セレクタが正しくありません: svg|a (「|」には対応していません)"},
      {ByCss("ul >"), "CSS セレクタが正しくありません: ul > (空のセレクタがあります)"},
      // Names are ASCII, and values hold no control character: what XPath can read.
      {ByCss("見出し"), "CSS セレクタが正しくありません: 見出し (「見」には対応していません)"},
      {ByCss("[title='a\x01']"), "CSS セレクタが正しくありません: [title='a\x01'] (制御文字には対応していません)"},
  };
  // clang-format on
  for (const auto& [section, problem] : rows) {
    SCOPED_TRACE(section.xpath + section.css + section.to);
    const std::optional<std::string> found = SectionRuleProblem(section);
    EXPECT_EQ(found ? Cp932ToUtf8(*found) : "", problem);
    if (!problem.empty()) {
      PageDocument page("<a href=/x>x</a>", "", kUrl);
      EXPECT_EQ(Cp932ToUtf8(page.Cut(section).problem), problem);
    }
  }
}

TEST(PageDocument, FindsTheFeedsThePageAnnounces) {
  const std::string page =
      "<head><base href=\"https://example.jp/base/\">"
      "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"総合 &amp; 速報\" "
      "href=\"rss.xml\">"
      "<LINK REL=\"Alternate Feed\" TYPE=\"Application/Atom+XML\" HREF=\"/atom\">"
      "<link rel=alternate type=\"application/feed+json\" href=feed.json>"
      "<link rel=alternate type=application/json href=/rss.xml?x>"
      "<link rel=alternate type=\"application/rss+xml; charset=utf-8\" href=\"rss.xml\" "
      "title=again>"
      "<link rel=stylesheet type=application/rss+xml href=style.xml>"
      "<a rel=alternate type=application/rss+xml href=/a.xml>"
      "<link rel=alternate type=text/html href=/en/>"
      "<link rel=alternate type=application/rss+xml href=ftp://example.jp/f>"
      "<!-- <link rel=alternate type=application/rss+xml href=/old.rdf> -->"
      "</head><link rel=alternate type=application/rss+xml href=/cut-off";
  PageDocument document(page, "", kUrl);
  std::vector<std::string> shown;
  for (const AnnouncedFeed& feed : document.Feeds())
    shown.push_back(Cp932ToUtf8(feed.title) + "|" + Cp932ToUtf8(feed.url));
  const std::vector<std::string> expected = {
      "総合 & 速報|https://example.jp/base/rss.xml", "|https://example.jp/atom",
      "|https://example.jp/base/feed.json", "|https://example.jp/rss.xml?x"};
  EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace quillet
