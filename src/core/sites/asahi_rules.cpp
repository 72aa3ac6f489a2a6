// アサヒ・コム: the TopTitle section is copied line by line; in the other
// sections the lines are joined two by two behind a "・".
#include <array>
#include <string>
#include <string_view>

#include "core/sites/catalogue.h"
#include "core/sites/cutting_rules.h"
#include "core/text/text_codec.h"

namespace quillet {
namespace {

constexpr int kTopTitle = 9;
constexpr std::string_view kTopTitleEnd = "<!-- End of TopTitle -->";
constexpr int kFirstPaired = 10;
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
    if (line == Categories()[kTopTitle].markers.front()) collecting = true;
    if (line == kTopTitleEnd) collecting = false;

    bool opened = false;
    for (size_t row = 0; row < kPairedEnds.size() && !opened; ++row) {
      if (line == Categories()[static_cast<size_t>(kFirstPaired) + row].markers.front()) {
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
