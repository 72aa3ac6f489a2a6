#include "generated_feeds.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "core/text/cp932.h"
#include "core/text/text_codec.h"
#include "sample_feeds.h"

namespace quillet {
namespace {

enum class Format { kRss1, kRss2, kAtom };
enum class Encoding { kUtf8, kShiftJis, kEucJp, kIso2022Jp };

constexpr std::array<std::string_view, 4> kEncodingNames = {"UTF-8", "Shift_JIS", "EUC-JP",
                                                            "ISO-2022-JP"};
constexpr std::array<std::string_view, 3> kFormatNames = {"RSS 1.0", "RSS 2.0", "Atom"};
constexpr std::array<int, 10> kItemCounts = {3, 12, 40, 5, 150, 25, 300, 8, 80, 400};
constexpr std::array<std::string_view, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat"};

// The words of the made-up headlines (CP932).
const std::array<std::string, 10>& Places() {
  static const std::array<std::string, 10> places = {
      CP932("市役所"),   CP932("新駅"), CP932("県立図書館"), CP932("地元の高校"), CP932("商店街"),
      CP932("大学病院"), CP932("空港"), CP932("港の倉庫"),   CP932("山あいの村"), CP932("美術館")};
  return places;
}
const std::array<std::string, 8>& Events() {
  static const std::array<std::string, 8> events = {
      CP932("で改修工事が始まる"), CP932("に新しい案内所"),  CP932("の利用者が過去最多"),
      CP932("で記念の式典"),       CP932("の計画を見直し"),  CP932("で停電、２時間後に復旧"),
      CP932("が開業５０年"),       CP932("に見学者の長い列")};
  return events;
}
const std::array<std::string, 6>& Tails() {
  static const std::array<std::string, 6> tails = {"",
                                                   CP932("　住民から期待の声"),
                                                   CP932("　来月にも結論"),
                                                   CP932("　写真で振り返る"),
                                                   CP932("（続報）"),
                                                   CP932("　Q&Aで解説")};
  return tails;
}
const std::array<std::string, 6>& Categories() {
  static const std::array<std::string, 6> categories = {
      CP932("地域"), CP932("経済"), CP932("交通"), CP932("文化"), CP932("医療"), CP932("科学")};
  return categories;
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

// A Shift_JIS character of JIS X 0208 as its JIS row and cell (0x21-0x7E).
std::array<unsigned char, 2> SjisToJis(unsigned char s1, unsigned char s2) {
  unsigned j1 = (s1 >= 0xE0 ? s1 - 0xC1u : s1 - 0x81u) * 2 + 0x21;
  unsigned j2 = 0;
  if (s2 >= 0x9F) {
    j1 += 1;
    j2 = s2 - 0x7Eu;
  } else {
    j2 = s2 - (s2 >= 0x80 ? 0x20u : 0x1Fu);
  }
  return {static_cast<unsigned char>(j1), static_cast<unsigned char>(j2)};
}

// CP932 text that keeps to ASCII and JIS X 0208 in `encoding`.
std::string Encoded(const std::string& cp932, Encoding encoding) {
  if (encoding == Encoding::kShiftJis) return cp932;
  if (encoding == Encoding::kUtf8) return Cp932ToUtf8(cp932);
  std::string out;
  bool twoByte = false;
  for (size_t i = 0; i < cp932.size();) {
    const auto c = static_cast<unsigned char>(cp932[i]);
    if (!IsCp932LeadByte(c) || i + 1 == cp932.size()) {
      if (twoByte) out += "\x1B(B";
      twoByte = false;
      out += cp932[i++];
      continue;
    }
    const auto jis = SjisToJis(c, static_cast<unsigned char>(cp932[i + 1]));
    i += 2;
    if (encoding == Encoding::kEucJp) {
      out += static_cast<char>(jis[0] | 0x80);
      out += static_cast<char>(jis[1] | 0x80);
      continue;
    }
    if (!twoByte) out += "\x1B$B";
    twoByte = true;
    out += static_cast<char>(jis[0]);
    out += static_cast<char>(jis[1]);
  }
  if (twoByte) out += "\x1B(B";
  return out;
}

std::string Number(int n, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, n);
  return text;
}

std::string_view Host(int feed) {
  return kBenchFeedHosts[static_cast<size_t>(feed - 1) % kBenchFeedHosts.size()];
}

struct Item {
  std::string title;  // CP932, escaped
  std::string link;
  std::string category;
  int day = 24;  // of November 2026
  int hour = 0;
};

std::vector<Item> Items(int feed, int count) {
  std::vector<Item> items;
  const auto n = static_cast<size_t>(feed);
  for (int j = 0; j < count; ++j) {
    const auto k = static_cast<size_t>(j);
    Item item;
    item.title =
        Escaped(Places()[(n + k) % Places().size()] + Events()[(n * 3 + k) % Events().size()] +
                Tails()[(k / 2 + n) % Tails().size()] + " (" + std::to_string(feed) + "-" +
                std::to_string(j + 1) + ")");
    item.link = "http://" + std::string(Host(feed)) + "/feed/" + Number(feed, 3) + "/" +
                std::to_string(j + 1) + ".html";
    item.category = Categories()[(n + k / 3) % Categories().size()];
    item.day = 24 - (j / 24) % 20;
    item.hour = 23 - j % 24;
    items.push_back(item);
  }
  return items;
}

std::string IsoDate(const Item& item) {
  return "2026-11-" + Number(item.day, 2) + "T" + Number(item.hour, 2) + ":00:00+09:00";
}

std::string Document(int feed, Format format, Encoding encoding, int itemCount) {
  const std::string title = CP932("ベンチ試験用フィード ") + Number(feed, 3);
  const std::string self =
      "http://" + std::string(Host(feed)) + "/feed/" + Number(feed, 3) + ".xml";
  const std::vector<Item> items = Items(feed, itemCount);
  std::string xml = "<?xml version=\"1.0\" encoding=\"" +
                    std::string(kEncodingNames[static_cast<size_t>(encoding)]) + "\"?>\r\n";
  if (format == Format::kRss1) {
    xml +=
        "<rdf:RDF xmlns=\"http://purl.org/rss/1.0/\"\r\n"
        " xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"\r\n"
        " xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\r\n"
        "<channel rdf:about=\"" +
        self + "\">\r\n<title>" + title + "</title>\r\n<link>" + self +
        "</link>\r\n<items><rdf:Seq>\r\n";
    for (const Item& item : items)
      xml += "<rdf:li rdf:resource=\"" + item.link + "\"/>\r\n";
    xml += "</rdf:Seq></items>\r\n</channel>\r\n";
    for (const Item& item : items) {
      xml += "<item rdf:about=\"" + item.link + "\">\r\n<title>" + item.title +
             "</title>\r\n<link>" + item.link + "</link>\r\n<dc:subject>" + item.category +
             "</dc:subject>\r\n<dc:date>" + IsoDate(item) + "</dc:date>\r\n</item>\r\n";
    }
    xml += "</rdf:RDF>\r\n";
  } else if (format == Format::kRss2) {
    xml += "<rss version=\"2.0\">\r\n<channel>\r\n<title>" + title + "</title>\r\n<link>" + self +
           "</link>\r\n<description>" + title + "</description>\r\n";
    for (const Item& item : items) {
      // 24 November 2026 is a Tuesday.
      const auto weekday = static_cast<size_t>((item.day - 24 + 2 + 7 * 4) % 7);
      xml += "<item>\r\n<title>" + item.title + "</title>\r\n<link>" + item.link +
             "</link>\r\n<category>" + item.category + "</category>\r\n<pubDate>" +
             std::string(kWeekdays[weekday]) + ", " + Number(item.day, 2) + " Nov 2026 " +
             Number(item.hour, 2) + ":00:00 +0900</pubDate>\r\n</item>\r\n";
    }
    xml += "</channel>\r\n</rss>\r\n";
  } else {
    xml += "<feed xmlns=\"http://www.w3.org/2005/Atom\">\r\n<title>" + title +
           "</title>\r\n<link rel=\"self\" href=\"" + self + "\"/>\r\n<id>" + self +
           "</id>\r\n<updated>2026-11-24T23:00:00+09:00</updated>\r\n";
    for (const Item& item : items) {
      xml += "<entry>\r\n<title>" + item.title + "</title>\r\n<link href=\"" + item.link +
             "\"/>\r\n<id>" + item.link + "</id>\r\n<category term=\"" + item.category +
             "\"/>\r\n<updated>" + IsoDate(item) + "</updated>\r\n</entry>\r\n";
    }
    xml += "</feed>\r\n";
  }
  return Encoded(xml, encoding);
}

// Bytes of every value, NUL among them, the same for the same feed.
std::string BinaryBody(int feed) {
  std::string body(4096, '\0');
  uint32_t state = 2463534242u + static_cast<uint32_t>(feed);
  for (char& c : body) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state >> 24);
  }
  return body;
}

}  // namespace

std::vector<GeneratedFeed> GenerateFeeds(int count) {
  static constexpr std::array<std::string_view, 3> kContentTypes = {
      "application/rdf+xml", "application/rss+xml", "application/atom+xml"};
  std::vector<GeneratedFeed> feeds;
  for (int i = 1; i <= count; ++i) {
    const auto format = static_cast<Format>(i % 3);
    const auto encoding = static_cast<Encoding>((i / 3) % 4);
    const int items = kItemCounts[static_cast<size_t>(i * 7 % 10)];
    GeneratedFeed feed;
    feed.host = Host(i);
    feed.path = "/feed/" + Number(i, 3) + ".xml";
    feed.https = i % 4 == 1;
    feed.name = "bench " + Number(i, 3) + " " +
                std::string(kFormatNames[static_cast<size_t>(format)]) + " " +
                std::string(kEncodingNames[static_cast<size_t>(encoding)]) + " " +
                std::to_string(items);
    switch (i % 20) {
      case 7:  // not served
        feed.name += " 404";
        break;
      case 13: {  // the last item's title closed by a wrong tag
        feed.name += " malformed";
        feed.contentType = kContentTypes[static_cast<size_t>(format)];
        feed.body = Document(i, format, encoding, items);
        feed.body.replace(feed.body.rfind("</title>"), 8, "</titel>");
        break;
      }
      case 19:
        feed.name += " binary";
        feed.contentType = "application/octet-stream";
        feed.body = BinaryBody(i);
        break;
      default:
        feed.contentType = kContentTypes[static_cast<size_t>(format)];
        feed.body = Document(i, format, encoding, items);
    }
    feeds.push_back(std::move(feed));
  }
  return feeds;
}

}  // namespace quillet
