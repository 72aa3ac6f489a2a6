// 毎日新聞 cutting rules: one pass; the section headings (HTML comments) write
// the catalogue's marker lines and switch a mode that decides which of the
// following lines are headlines. Genre headlines span two or three lines.
#include <string>
#include <string_view>

#include "fetch/catalogue.h"
#include "fetch/cutting_rules.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/text_codec.h"

namespace quillet {
namespace {

constexpr int kTopCategory = 56;
constexpr int kLatestCategory = 57;
constexpr int kKokusaiCategory = 58;
constexpr int kShakaiCategory = 59;
constexpr int kItCategory = 60;
constexpr int kSportsCategory = 61;  // 61 to 64: sports, seiji, keizai, jinji

enum class Mode { kOff, kLatest, kList, kSociety, kIt };

bool Contains(std::string_view line, std::string_view literal) {
  return Cp932Find(line, literal) != std::string_view::npos;
}

const std::string& Marker(int category) {
  return Categories()[category].markers[0];
}

// Page line `index`; a rule that reaches past the last line ends the run.
const std::string& PageLine(const Lines& page, size_t index) {
  if (index >= page.size())
    throw QuilletError("List index out of bounds (" + std::to_string(index) + ")");
  return page[index];
}

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
    if (Contains(line, top)) {
      document.push_back(Marker(kTopCategory));
      document.push_back(line);
    }
    if (Contains(line, latest)) {
      document.push_back(Marker(kLatestCategory));
      mode = Mode::kLatest;
      continue;
    }
    if (mode == Mode::kLatest && line == "</a>") mode = Mode::kOff;
    if (Contains(line, kokusai)) {
      document.push_back(Marker(kKokusaiCategory));
      mode = Mode::kList;
    }
    if (mode == Mode::kList && line == kListEnd) mode = Mode::kOff;
    if (Contains(line, shakai)) {
      document.push_back(Marker(kShakaiCategory));
      mode = Mode::kSociety;
    }
    if (mode == Mode::kSociety && line == kListEnd) mode = Mode::kOff;
    if (Contains(line, it)) {
      document.push_back(Marker(kItCategory));
      mode = Mode::kIt;
    }
    if (mode == Mode::kIt && line == kListEnd) mode = Mode::kOff;
    for (int l = 0; l < 4; ++l) {
      if (Contains(line, *plainLists[l])) {
        document.push_back(Marker(kSportsCategory + l));
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
        if (Contains(line, square)) appendJoined(i, i + 1);
        break;
      case Mode::kIt:
        if (Contains(line, square)) appendJoined(i, i + 2);
        break;
      case Mode::kOff:
        break;
    }
  }
  return document;
}

}  // namespace quillet
