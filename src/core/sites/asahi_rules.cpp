// アサヒ・コム: the TopTitle section is copied line by line; in the other
// sections the lines are joined two by two behind a "・".
#include <array>
#include <string>
#include <string_view>

#include "core/sites/catalogue.h"
#include "core/sites/cutting_helpers.h"
#include "core/sites/cutting_rules.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr std::string_view kTopTitle = "ASAHI/top.log";
constexpr std::string_view kTopTitleEnd = "<!-- End of TopTitle -->";
constexpr std::array<std::string_view, 9> kPairedCategories = {
    "ASAHI/top5.log",    "ASAHI/international.log", "ASAHI/national.log",
    "ASAHI/sports.log",  "ASAHI/business.log",      "ASAHI/politics.log",
    "ASAHI/culture.log", "ASAHI/people.log",        "ASAHI/obituaries.log",
};
constexpr std::array<std::string_view, 9> kPairedEnds = {
    "<!-- End of Top 5 -->",   "<!-- End of international -->", "<!-- End of national -->",
    "<!-- End of sports -->",  "<!-- End of business -->",      "<!-- End of politics -->",
    "<!-- End of culture -->", "<!-- End of people -->",        "<!-- End of obituaries -->",
};

}  // namespace

Lines CutAsahi(const Lines& page) {
  const std::string& dot = CP932("・");
  bool collecting = false;
  bool pairing = false;
  // Empty means "nothing pending", so an empty line never waits for a partner.
  // A line left pending at a section's end waits for the next paired section.
  std::string pending;
  Lines doc;
  for (const std::string& line : page) {
    if (line == SectionMarker(kTopTitle)) collecting = true;
    if (line == kTopTitleEnd) collecting = false;

    bool opened = false;
    for (size_t row = 0; row < kPairedEnds.size() && !opened; ++row) {
      if (line == SectionMarker(kPairedCategories[row])) {
        collecting = true;
        pairing = true;
        doc.push_back(line);
        opened = true;
      } else if (line == kPairedEnds[row]) {
        collecting = false;
        pairing = false;
      }
    }
    if (opened) continue;

    if (pairing) {
      if (pending.empty()) {
        pending = line;
      } else {
        doc.push_back(dot + pending + line);
        pending.clear();
      }
    } else if (collecting) {
      doc.push_back(line);
    }
  }
  return doc;
}

}  // namespace quillet
