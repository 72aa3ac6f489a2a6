// The feed parser on documents as they come from the network: JSON or XML by
// their type or first character, the encoding by the evidence in order (byte
// order mark, the HTTP charset, the XML declaration, else UTF-8), every
// encoding iconv knows into CP932, and the size cap.
#include <gtest/gtest.h>
#include <iconv.h>

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

std::string Encode(const std::string& utf8, const char* encoding) {
  const iconv_t cd = iconv_open(encoding, "UTF-8");
  std::string out(utf8.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  char* to = out.data();
  size_t inLeft = utf8.size(), outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), static_cast<size_t>(-1)) << encoding;
  iconv(cd, nullptr, nullptr, &to, &outLeft);  // back to ASCII at the end
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

std::string Declared(const char* name) {
  return "<?xml version='1.0' encoding='"s + name + "'?>";
}

TEST(FeedParser, DecodesEveryEncodingIntoCp932) {
  auto rss = [](const std::string& title) {
    return "<rss><channel><title>News</title><item><title>" + title +
           "</title><link>1</link></item></channel></rss>";
  };
  const std::string japanese = rss("速報、高島屋 ソ表");
  const std::string shownJapanese = "News\n速報、高島屋 ソ表|http://example.test/f/1";
  struct Case {
    std::string document;
    const char* encoding;
    const char* contentType;
    std::string shown;
  };
  // Each encoding family's own rows are the decoder's tests; these show the
  // whole parse reads what the evidence chose, not the declaration again.
  const Case cases[] = {
      {Declared("Shift_JIS") + japanese, "CP932", "", shownJapanese},
      {Declared("iso-2022-jp") + japanese, "ISO-2022-JP", "", shownJapanese},
      {"\uFEFF" + japanese, "UTF-32LE", "", shownJapanese},  // not UTF-16 by its mark
      {Declared("UTF-16") + japanese, "UTF-16LE", "", shownJapanese},
      // The HTTP charset over the declaration; the mark over the HTTP charset.
      {Declared("EUC-JP") + japanese, "CP932", "text/xml; charset=\"shift_jis\"", shownJapanese},
      {"\uFEFF" + japanese, "UTF-8", "text/xml; charset=Shift_JIS", shownJapanese},
      // What CP932 cannot hold is the geta mark.
      {Declared("windows-1252") + rss("caf\u00E9 \u201Cquoted\u201D \u20AC"), "CP1252", "",
       "News\ncaf〓 “quoted” 〓|http://example.test/f/1"},
      {Declared("Big5") + rss("台灣新聞"), "BIG5", "", "News\n台灣新聞|http://example.test/f/1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.document.substr(0, 60) + " in " + c.encoding + " as " + c.contentType);
    EXPECT_EQ(Shown(Encode(c.document, c.encoding), c.contentType), c.shown);
  }
}

TEST(FeedParser, TakesJsonByItsTypeOrItsBraceAndRefusesTooLarge) {
  const std::string json =
      R"({"version":"https://jsonfeed.org/version/1.1","title":"J","items":[{"title":"t","url":"u"}]})";
  EXPECT_EQ(Shown(json), "J\nt|http://example.test/f/u");
  EXPECT_EQ(Shown("\xEF\xBB\xBF \n" + json), "J\nt|http://example.test/f/u");
  EXPECT_EQ(Shown(" " + json, "application/feed+json"), "J\nt|http://example.test/f/u");
  // An XML feed served as JSON is not one.
  EXPECT_THROW(Shown("<rss><channel><title>x</title></channel></rss>", "application/json"),
               QuilletError);

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
