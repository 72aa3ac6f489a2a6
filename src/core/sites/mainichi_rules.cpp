// 毎日新聞 cutting rules: one pass; the section headings (HTML comments) write
// the catalogue's marker lines and switch a mode that decides which of the
// following lines are headlines. Genre headlines span two or three lines.
#include <string>
#include <string_view>

#include "core/sites/catalogue.h"
#include "core/sites/cutting_helpers.h"
#include "core/sites/cutting_rules.h"
#include "core/sys/error.h"
#include "core/text/cp932.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr std::string_view kTopCategory = "Mainichi/top.log";
constexpr std::string_view kLatestCategory = "Mainichi/latest.log";
constexpr std::string_view kKokusaiCategory = "Mainichi/kokusai.log";
constexpr std::string_view kShakaiCategory = "Mainichi/shakai.log";
constexpr std::string_view kItCategory = "Mainichi/it.log";
constexpr std::string_view kListCategories[] = {"Mainichi/sports.log", "Mainichi/seiji.log",
                                                "Mainichi/keizai.log", "Mainichi/jinji.log"};

enum class Mode { kOff, kLatest, kList, kSociety, kIt };

}  // namespace

Lines CutMainichi(const Lines& page) {
  const std::string& top = CP932("<!---- ニュースセレクション---->");
  const std::string& latest = CP932("<!-----ニュースセレクション2---->");
  const std::string& kokusai = CP932("<!-----　Kokusai　----->");
  const std::string& shakai = CP932("<!-----　Shakai　----->");
  const std::string& it = CP932("<!-----　IT　----->");
  const std::string* const plainLists[] = {
      &CP932("<!-----　Sports　----->"),
      &CP932("<!-----　Seiji　----->"),
      &CP932("<!-----　Keizai　----->"),
      &CP932("<!-----　Jinji　----->"),
  };
  const std::string& square = CP932("■");
  constexpr std::string_view kClear = "<br clear=\"all\">";
  constexpr std::string_view kListEnd = "</font>";

  Lines document;
  auto appendJoined = [&](size_t i, size_t other) {
    document.push_back(page[i] + PageLine(page, other));
  };

  Mode mode = Mode::kOff;
  for (size_t i = 0; i < page.size(); ++i) {
    const std::string& line = page[i];
    if (LineContains(line, top)) {
      document.push_back(SectionMarker(kTopCategory));
      document.push_back(line);
    }
    if (LineContains(line, latest)) {
      document.push_back(SectionMarker(kLatestCategory));
      mode = Mode::kLatest;
      continue;
    }
    if (mode == Mode::kLatest && line == "</a>") mode = Mode::kOff;
    if (LineContains(line, kokusai)) {
      document.push_back(SectionMarker(kKokusaiCategory));
      mode = Mode::kList;
    }
    if (mode == Mode::kList && line == kListEnd) mode = Mode::kOff;
    if (LineContains(line, shakai)) {
      document.push_back(SectionMarker(kShakaiCategory));
      mode = Mode::kSociety;
    }
    if (mode == Mode::kSociety && line == kListEnd) mode = Mode::kOff;
    if (LineContains(line, it)) {
      document.push_back(SectionMarker(kItCategory));
      mode = Mode::kIt;
    }
    if (mode == Mode::kIt && line == kListEnd) mode = Mode::kOff;
    for (int l = 0; l < 4; ++l) {
      if (LineContains(line, *plainLists[l])) {
        document.push_back(SectionMarker(kListCategories[l]));
        mode = Mode::kList;
      }
    }

    switch (mode) {
      case Mode::kLatest:
        if (line != kClear) document.push_back(line);
        break;
      case Mode::kList:
        if (line.starts_with(square)) appendJoined(i, i + 1);
        break;
      case Mode::kSociety:
        if (LineContains(line, square)) appendJoined(i, i + 1);
        break;
      case Mode::kIt:
        if (LineContains(line, square)) appendJoined(i, i + 2);
        break;
      case Mode::kOff:
        break;
    }
  }
  return document;
}

}  // namespace quillet
