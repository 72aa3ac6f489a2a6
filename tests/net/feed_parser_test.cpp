// The feed parser on documents as they come from the network: JSON or XML by
// their type or first character, the encoding by the evidence in order (byte
// order mark, the HTTP charset, the XML declaration, else UTF-8), every
// encoding iconv knows into CP932, and the size cap.
#include <gtest/gtest.h>

#include "core/sys/error.h"
#include "core/text/text_codec.h"
#include "net/feed_parser.h"

namespace quillet {
namespace {

using namespace std::string_literals;

// The feed's title, then "title|link" per item, in UTF-8.
std::string Shown(std::string_view document, std::string_view contentType = "") {
  const Feed feed = ParseFeed(document, {"http://example.test/f/", contentType});
  std::string shown = Cp932ToUtf8(feed.title);
  for (const FeedItem& item : feed.items)
    shown += "\n" + Cp932ToUtf8(item.title + "|" + item.link);
  return shown;
}

// The decoder's own rows try each encoding; these show that the whole parse
// reads what the evidence chose, not the declaration again.
TEST(FeedParser, ReadsTheEncodingTheEvidenceChose) {
  const std::string item =
      "<rss><channel><item><title>\x93\xFA\x96\x7B</title><link>1</link>"
      "</item></channel></rss>";  // 日本 in Shift_JIS
  const std::string shown = "\n日本|http://example.test/f/1";
  const std::string sjis = "<?xml version='1.0' encoding='Shift_JIS'?>" + item;
  const std::string euc = "<?xml version='1.0' encoding='EUC-JP'?>" + item;
  EXPECT_EQ(Shown(sjis), shown);
  EXPECT_EQ(Shown(euc, "text/xml; charset=\"shift_jis\""), shown);  // HTTP over the declaration
  EXPECT_EQ(Shown("\xEF\xBB\xBF<rss><channel><item><title>日本</title><link>1</link></item>"
                  "</channel></rss>",
                  "text/xml; charset=Shift_JIS"),  // the mark over HTTP
            shown);
  EXPECT_EQ(Shown("<?xml version='1.0' encoding='windows-1252'?><rss><channel><item><title>"
                  "caf\xE9 \x93q\x94</title><link>1</link></item></channel></rss>"),
            "\ncaf〓 “q”|http://example.test/f/1");  // what CP932 cannot hold
}

TEST(FeedParser, TakesJsonByItsTypeOrItsBraceAndRefusesTooLarge) {
  const std::string json =
      R"({"version":"https://jsonfeed.org/version/1.1","title":"J","items":[{"title":"t","url":"u"}]})";
  EXPECT_EQ(Shown(json), "J\nt|http://example.test/f/u");
  EXPECT_EQ(Shown("\xEF\xBB\xBF \n" + json), "J\nt|http://example.test/f/u");
  EXPECT_EQ(Shown(" " + json, "application/feed+json"), "J\nt|http://example.test/f/u");

  const std::string tooLarge = "<!-- " + std::string(kMaxFeedBytes, ' ') + "-->";
  try {
    Shown(tooLarge);
    ADD_FAILURE() << "a document over the cap was read";
  } catch (const QuilletError& error) {
    EXPECT_EQ(Cp932ToUtf8(error.what()), "フィードが大きすぎます (" +
                                             std::to_string(tooLarge.size()) + " バイト、上限 " +
                                             std::to_string(kMaxFeedBytes) + " バイト)");
  }
}

}  // namespace
}  // namespace quillet
