// JSON Feed documents: the feed files under tests/data/feeds, links against
// the feed's address, and what is refused before or while reading.
#include <gtest/gtest.h>

#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"
#include "net/feed_parser.h"
#include "net/json_feed.h"
#include "support/temp_home.h"

namespace quillet {
namespace {

using namespace std::string_literals;

constexpr char kFeedUrl[] = "https://news.example/feeds/ja/feed.json?since=1";
constexpr char kVersion[] = R"({"version":"https://jsonfeed.org/version/1.1",)";

// The feed's title, then "title|link|category" per item, in UTF-8.
std::string Shown(std::string_view document, std::string_view feedUrl = kFeedUrl) {
  const Feed feed = ParseJsonFeed(document, feedUrl);
  std::string shown = Cp932ToUtf8(feed.title);
  for (const FeedItem& item : feed.items)
    shown += "\n" + Cp932ToUtf8(item.title + "|" + item.link + "|" + item.category);
  return shown;
}

std::string ErrorOf(std::string_view document) {
  try {
    ParseJsonFeed(document, kFeedUrl);
  } catch (const QuilletError& error) {
    return Cp932ToUtf8(error.what());
  }
  return "(no error)";
}

TEST(JsonFeed, ReadsTheFeedFiles) {
  const std::pair<const char*, const char*> files[] = {
      // Plain-text titles keep their "<"; values of other types and items
      // without a title or a link give nothing; the feed has no category.
      {"json-feed-1.1.json",
       "毎朝の ニュース\n"
       "景気は<b>回復</b>へ|https://news.example/articles/1|経済\n"
       "外部の記事|https://other.example/2|国際\n"
       "型の違う値は読み飛ばす|https://other.example/6|\n"
       "　全角の空白　と 改行|https://other.example/7|"},
      // Escapes, control characters, a lone surrogate, a byte order mark.
      {"json-feed-1.0-bom.json",
       "Escapes & \"quotes\"\n"
       "速報〓 Tom & Jerry\\|https://news.example/a?b=1&c=2|社会\n"
       "bell and nul [31m !|https://news.example/b c|\n"
       "half a pair 〓 stays out|https://news.example/c|"},
  };
  for (const auto& [file, shown] : files)
    EXPECT_EQ(Shown(test::ReadBytes(QUILLET_TEST_DATA "/feeds/"s + file)), shown) << file;
}

TEST(JsonFeed, ResolvesLinksAgainstTheFeedsAddress) {
  // The resolution's own rows are ResolveUri's tests: here, that "url" and
  // "external_url" are resolved, white space and a blank "url" passed over.
  const std::string relative = kVersion + R"("items":[{"title":"up","url":"../up/2"},
      {"title":"kana","url":"  記事/7 番.html \n"},
      {"title":"blank","url":" ","external_url":"ext/8"}]})"s;
  EXPECT_EQ(Shown(relative),
            "\nup|https://news.example/feeds/up/2|\n"
            "kana|https://news.example/feeds/ja/記事/7 番.html|\n"
            "blank|https://news.example/feeds/ja/ext/8|");
  // The address is the program's CP932 text; the link comes back in CP932.
  EXPECT_EQ(Shown(kVersion + R"("items":[{"title":"a","url":"b/%E3%81%82"}]})"s,
                  CP932("https://x.example/日本/feed.json")),
            "\na|https://x.example/日本/b/%E3%81%82|");
  // Control characters of the address do not reach the link either.
  EXPECT_EQ(
      Shown(kVersion + R"("items":[{"title":"a","url":"b"}]})"s, "http://x.example/\x01\x7F/"),
      "\na|http://x.example/ /b|");
}

TEST(JsonFeed, RefusesWhatIsNoJsonFeed) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "フィードの JSON が正しくありません (1 バイト目): illegal value"},
      // The position counts the byte order mark too.
      {"\xEF\xBB\xBF{\"a\" 1}",
       "フィードの JSON が正しくありません (9 バイト目): missing name separator"},
      {R"([{"version":"https://jsonfeed.org/version/1"}])",
       "フィードではありません (JSON がオブジェクトではありません)"},
      {R"({"title":"no version"})",
       R"(フィードではありません (JSON に文字列の "version" がありません))"},
      {R"({"version":"https://jsonfeed.org/version/2"})",
       R"(フィードの版 "https://jsonfeed.org/version/2" には対応していません (JSON Feed の 1 と 1.1 を読みます))"},
  };
  for (const auto& [document, message] : cases)
    EXPECT_NE(ErrorOf(document).find(message), std::string::npos)
        << document << "\n  gives " << ErrorOf(document);

  // Any minor version of 1 is read, items or no items.
  EXPECT_EQ(Shown(R"({"version":"https://jsonfeed.org/version/1.2","title":"T","items":{}})"), "T");
}

TEST(JsonFeed, BoundsTheDocumentBeforeReadingIt) {
  // Ten values, three of them arrays or objects: every kind counts once, and
  // brackets, quotes and commas inside strings count for nothing.
  const std::string mixed = R"("a\"[{b,", -1.5e+10, true, null, "\\", 0, {}, {"k":[]})";
  // The root object, its key "x" and its array hold `mixed` and the fill.
  const auto filled = [&](const std::string& fill, size_t count) {
    std::string document = R"({"x":[)" + mixed;
    for (size_t i = 0; i < count; ++i)
      document += "," + fill;
    return document + "]}";
  };
  const std::string parsed = R"(JSON に文字列の "version" がありません)";
  const std::pair<std::string, std::string> cases[] = {
      {filled("0", kMaxJsonValues - 13), parsed},
      {filled("0", kMaxJsonValues - 12),
       "フィードの JSON の値が多すぎます (値 500001 個、配列とオブジェクト 5 個。上限はそれぞれ "
       "500000 個と 100000 個)"},
      {filled("[]", kMaxJsonContainers - 4), "(値 100009 個、配列とオブジェクト 100001 個。"},
      {"{}" + std::string(kMaxFeedBytes - 2, ' '), parsed},
      {"{}" + std::string(kMaxFeedBytes - 1, ' '),
       "フィードが大きすぎます (16777217 バイト、上限 16777216 バイト)"},
  };
  for (const auto& [document, message] : cases)
    EXPECT_NE(ErrorOf(document).find(message), std::string::npos)
        << document.substr(0, 80) << "\n  gives " << ErrorOf(document);

  // Items after the first kMaxFeedItems that give a headline are passed over.
  std::string items = kVersion + R"("items":[{"url":"no title"})"s;
  for (size_t i = 0; i <= kMaxFeedItems; ++i)
    items += R"(,{"title":"t)" + std::to_string(i) + R"(","url":"u"})";
  const Feed feed = ParseJsonFeed(items + "]}", kFeedUrl);
  ASSERT_EQ(feed.items.size(), kMaxFeedItems);
  EXPECT_EQ(feed.items.back().title, "t999");
}

}  // namespace
}  // namespace quillet
