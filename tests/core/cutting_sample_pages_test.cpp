// The bundled sample front pages of Yomiuri On Line, アサヒ・コム, Impress
// Watch and ZAKZAK, turned into page lines as each site's are, cut and
// normalised: the headline count of every category must match EXPECTED.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "fetch/catalogue.h"
#include "fetch/code_convert.h"
#include "fetch/cutting_rules.h"
#include "fetch/text_ops.h"
#include "platform/text_codec.h"

namespace quillet {
namespace {

std::string ReadSample(const std::string& name) {
  std::ifstream in(std::string(QUILLET_SAMPLE_DIR) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

Lines SplitLines(std::string_view text) {
  Lines lines;
  StreamToLines(lines, text);
  return lines;
}

struct SectionCount {
  int markers = 0;
  int headlines = 0;  // content lines with text outside tags
};

// What the extraction walk sees in the normalised document, per category.
class SiteCut {
 public:
  SiteCut(int site, Lines doc) : site_(site), doc_(std::move(doc)) { SplitBreaks(doc_); }

  void ExpectHeadlines(const std::vector<int>& perCategory) const {
    const Site& site = Sites()[site_];
    ASSERT_FALSE(doc_.empty());
    ASSERT_TRUE(CategoryOfMarker(site.shortLabel, doc_.front()).has_value()) << doc_.front();
    std::map<int, SectionCount> counts;
    int current = -1;
    for (const std::string& line : doc_) {
      if (auto category = CategoryOfMarker(site.shortLabel, line)) {
        current = *category;
        ++counts[current].markers;
      } else if (!RemoveTags(line).empty()) {
        ++counts[current].headlines;
        // Every sample headline carries its own link, the top news of
        // Yomiuri through the anchor prefix.
        EXPECT_FALSE(ExtractHref(line).empty()) << Cp932ToUtf8(line);
      }
    }
    ASSERT_EQ(perCategory.size(), static_cast<size_t>(site.lastCategory - site.firstCategory + 1));
    EXPECT_EQ(counts.size(), perCategory.size());
    for (int category = site.firstCategory; category <= site.lastCategory; ++category) {
      SCOPED_TRACE(category);
      EXPECT_EQ(counts[category].markers, 1);
      EXPECT_EQ(counts[category].headlines, perCategory[category - site.firstCategory]);
    }
  }

  const Lines& Doc() const { return doc_; }

 private:
  int site_;
  Lines doc_;
};

TEST(SamplePageCut, Yomiuri) {
  const Lines page = SplitLines(ReadSample("yomiuri.html"));
  ASSERT_FALSE(page.empty());
  const SiteCut cut(0, CutYomiuri(page));
  cut.ExpectHeadlines({8, 6, 5, 6, 5, 4, 5, 3, 3});
  // The first top-news story: its headline line has no link of its own.
  const Lines& doc = cut.Doc();
  auto it = std::find_if(doc.begin() + 1, doc.end(),
                         [](const std::string& line) { return !RemoveTags(line).empty(); });
  ASSERT_NE(it, doc.end());
  EXPECT_EQ(RemoveTags(*it),
            CP932("来年度予算の概算要求、総額１２２兆円で過去最大に （11時02分）"));
  EXPECT_EQ(ExtractHref(*it), "/politics/news/20261124ia01.htm");
}

TEST(SamplePageCut, Asahi) {
  // Page lines from EUC-JP: joined with CR LF, converted without guessing, split.
  std::string text;
  for (const std::string& line : SplitLines(ReadSample("asahi.html")))
    text += line + "\r\n";
  const Lines page = SplitLines(EucToSjis(text));
  ASSERT_FALSE(page.empty());
  SiteCut(1, CutAsahi(page)).ExpectHeadlines({8, 5, 5, 5, 4, 4, 4, 3, 2, 3});
}

TEST(SamplePageCut, Impress) {
  // The JIS page goes through code guessing, up to its first NUL byte.
  const std::string body = ReadSample("impress.html");
  const Lines page = SplitLines(ConvertTo(body.substr(0, body.find('\0')), kCodeSjis));
  ASSERT_FALSE(page.empty());
  SiteCut(2, CutImpress(page)).ExpectHeadlines({8, 5, 5, 4, 4, 4, 3, 3, 3, 4, 3, 3});
}

TEST(SamplePageCut, Zakzak) {
  const Lines page = SplitLines(ReadSample("zakzak.html"));
  ASSERT_FALSE(page.empty());
  const SiteCut cut(3, CutZakzak(page));
  cut.ExpectHeadlines({10});
  // Only the final-edition block: the sports block further down is not read.
  EXPECT_EQ(cut.Doc().front(), Categories()[31].markers[0]);
}

}  // namespace
}  // namespace quillet
